// Promotion of pending updates: the scenario table in tests/data/handoff/promotion.txt (the system's refusals
// injected where Wine, which runs everything as an administrator, never refuses; some rows through the real launcher
// started with the promotion word), then the cases a table does not express (a 4 GiB file, over-long paths, a pass
// stopped at every step, the real one-second waits, the launcher's wait that keeps its window answering).
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "HandoffSupport.h"
#include "LauncherRig.h"
#include "handoff/ElevatedPromotion.h"
#include "handoff/PendingUpdates.h"
#include "win/MessageWait.h"
#include "win/WaitingWindow.h"

using namespace handoff_test;

namespace {

std::string Bytes(const std::string& word)
{
    return word == "-" ? std::string() : word;
}

// Options that read the given folder as the installation directory and count the waits instead of sleeping.
PromotionOptions Counted(const std::string& install, int& waits, std::function<void()> onWait = nullptr)
{
    PromotionOptions options;
    options.readInstallDirectory = [install](wchar_t(&dir)[kInstallDirSize]) {
        return FillInstallDirectory(dir, install);
    };
    options.wait = [&waits, onWait](unsigned ms) {
        EXPECT_EQ(ms, kPromotionRetryWaitMs);
        ++waits;
        if (onWait)
            onWait();
    };
    options.beforeStep = ExpectPlainReplaceTarget;
    return options;
}

const std::map<std::string, PromotionStep> kSteps = {{"clear", PromotionStep::ClearAttributes},
                                                     {"replace", PromotionStep::Replace},
                                                     {"discard", PromotionStep::Discard},
                                                     {"remove", PromotionStep::RemoveFolder}};
const std::map<std::string, PromotionOutcome> kOutcomes = {{"promoted", PromotionOutcome::Promoted},
                                                           {"waiting", PromotionOutcome::StillWaiting},
                                                           {"rights", PromotionOutcome::RightsMissing}};

// The words of a line from the n-th on, joined by blanks.
std::string Rest(const std::vector<std::string>& words, size_t from)
{
    std::string joined;
    for (size_t i = from; i < words.size(); ++i)
        joined += (i > from ? " " : "") + words[i];
    return joined;
}

// Whether the process shows a window (a dialog or a message box) before it ends; the process is left running when
// it does.
bool ShowsAWindowBeforeItEnds(rig::Process& process)
{
    bool shown = false;
    rig::WaitFor(
        [&] {
            shown = rig::VisibleWindowOfClass(process.Id(), L"#32770") != nullptr;
            return shown || process.WaitForExit(0);
        },
        120000);
    return shown;
}

class PromotionScenario : public InstallFolderTest, public testing::WithParamInterface<Scenario> {
protected:
    // The real launcher started in another folder with `arguments`, its registry value naming the installation.
    void RunLauncher(const std::string& arguments)
    {
        rig::InstallDirValue value(rig::ToGbk(Wide(m_install)));
        rig::TempFolder elsewhere("promotion-cwd");
        rig::Process launcher(rig::LauncherPath(), elsewhere.Path(), arguments);
        ASSERT_TRUE(launcher.Started());
        m_launcherWindow = ShowsAWindowBeforeItEnds(launcher);
        if (!m_launcherWindow) {
            ASSERT_TRUE(launcher.WaitForExit()) << "the launcher did not end";
            m_launcherStatus = launcher.ExitCode();
        }
    }

    bool m_launcherWindow = false;
    DWORD m_launcherStatus = STILL_ACTIVE;
};

TEST_P(PromotionScenario, EndsAsDescribed)
{
    std::vector<std::pair<std::unique_ptr<FileHolder>, int>> holders;
    std::vector<std::tuple<PromotionStep, std::wstring, DWORD>> refusals;
    bool rights = true;
    std::string consent = "refused";
    std::string launcherArguments;
    for (const auto& w : GetParam().lines) {
        if (w[0] == "install") {
            m_install = m_root + "\\" + w[1];
            ASSERT_TRUE(CreateDirectoryW(LongPath(m_install).c_str(), nullptr)) << w[1];
        } else if (w[0] == "file") {
            DWORD attributes = 0;
            for (size_t i = 3; i < w.size(); ++i)
                attributes |= w[i] == "readonly" ? FILE_ATTRIBUTE_READONLY
                              : w[i] == "hidden" ? FILE_ATTRIBUTE_HIDDEN
                                                 : FILE_ATTRIBUTE_SYSTEM;
            if (w[1].rfind("Temp/", 0) == 0)
                CreateDirectoryW(LongPath(At("Temp")).c_str(), nullptr);
            ASSERT_TRUE(WriteBytes(At(w[1]), Bytes(w[2]), attributes)) << w[1];
        } else if (w[0] == "dir") {
            if (w[1].rfind("Temp/", 0) == 0)
                CreateDirectoryW(LongPath(At("Temp")).c_str(), nullptr);
            ASSERT_TRUE(CreateDirectoryW(LongPath(At(w[1])).c_str(), nullptr)) << w[1];
        } else if (w[0] == "hold") {
            holders.emplace_back(std::make_unique<FileHolder>(At(w[1]), w[2] == "read"), std::stoi(w[3]));
            ASSERT_TRUE(holders.back().first->Holding()) << w[1];
        } else if (w[0] == "refuse") {
            refusals.emplace_back(kSteps.at(w[1]), w[2] == "-" ? L"" : Wide(w[2]), std::stoul(w[3]));
        } else if (w[0] == "rights") {
            rights = w[1] != "none";
        } else if (w[0] == "consent") {
            consent = w[1];
        } else if (w[0] == "launcher") {
            launcherArguments = Rest(w, 1);
        }
    }
    if (!launcherArguments.empty()) {
        ASSERT_NO_FATAL_FAILURE(RunLauncher(launcherArguments));
        SetCurrentDirectoryW(Wide(m_install).c_str());
    }

    int waits = 0;
    int consentedWaits = 0;
    int asked = 0;
    PromotionOutcome outcome = PromotionOutcome::StillWaiting;
    PromotionOptions options = Counted(m_install, waits, [&] {
        for (auto& [holder, at] : holders)
            if (at == waits)
                holder->Release();
    });
    options.refusal = [&](PromotionStep step, const wchar_t* name) {
        for (const auto& [refused, entry, error] : refusals)
            if (refused == step && entry == (name ? name : L""))
                return error;
        return DWORD{0};
    };
    options.mayChangeFolder = [&](const wchar_t* folder) {
        EXPECT_EQ(GetFileAttributesW(folder) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY})
            << Utf8(folder);
        return rights;
    };
    // Consent: the launcher itself, with the word alone; given, the run with the rights meets no refusal.
    options.askForRights = [&](DWORD& status) {
        ++asked;
        ConsentOptions shell;
        shell.runAs = [&](const wchar_t* program, const wchar_t* parameters, DWORD& ran) -> DWORD {
            wchar_t self[MAX_PATH] = {};
            GetModuleFileNameW(nullptr, self, MAX_PATH);
            EXPECT_STREQ(program, self);
            EXPECT_STREQ(parameters, L"/promote-updates");
            if (consent == "refused")
                return ERROR_CANCELLED;
            PromotionOptions withRights = Counted(m_install, consentedWaits);
            ran = RunPromotionRequest(withRights);
            return 0;
        };
        return PromoteWithConsent(shell, status);
    };
    if (launcherArguments.empty()) {
        ASSERT_TRUE(PrepareInstallDirectory(options, &outcome));
        EXPECT_EQ(CurrentDirectory(), m_install);
    }
    for (auto& holder : holders)
        holder.first->Release();

    for (const auto& w : GetParam().lines) {
        if (w[0] == "waits")
            EXPECT_EQ(waits, std::stoi(w[1]));
        else if (w[0] == "consented-waits")
            EXPECT_EQ(consentedWaits, std::stoi(w[1]));
        else if (w[0] == "asked")
            EXPECT_EQ(asked, std::stoi(w[1])) << "consent asked";
        else if (w[0] == "outcome")
            EXPECT_EQ(outcome, kOutcomes.at(w[1])) << w[1];
        else if (w[0] == "status")
            EXPECT_EQ(m_launcherStatus, std::stoul(w[1])) << "the launcher's exit status with " << launcherArguments;
        else if (w[0] == "window")
            EXPECT_EQ(m_launcherWindow, w[1] == "shown") << "the launcher's window with " << launcherArguments;
        else if (w[0] == "expect")
            EXPECT_EQ(ReadBytes(At(w[1])), Bytes(w[2])) << w[1];
        else if (w[0] == "absent")
            EXPECT_FALSE(Exists(At(w[1]))) << w[1];
        else if (w[0] == "present") {
            EXPECT_TRUE(Exists(At(w[1]))) << w[1];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PromotionScenario, testing::ValuesIn(LoadScenarios("handoff/promotion.txt")),
                         [](const testing::TestParamInfo<Scenario>& row) { return row.param.name; });

using PromotionTest = InstallFolderTest;

// Only the low 32 bits of a 4 GiB file are zero: it is still an update, not an empty file.
TEST_F(PromotionTest, FourGibibyteFileIsInstalledNotDiscarded)
{
    ASSERT_TRUE(WriteBytes(At("big.pak"), "old"));
    ASSERT_TRUE(CreateDirectoryA(At("Temp").c_str(), nullptr));
    {
        win::FileHandle big(
            CreateFileA(At("Temp\\big.pak").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(big);
        DWORD unused = 0;
        DeviceIoControl(big.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = 1LL << 32;
        ASSERT_TRUE(SetFilePointerEx(big.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(big.Get()));
    }
    int waits = 0;
    ASSERT_TRUE(PrepareInstallDirectory(Counted(m_install, waits)));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(At("big.pak").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeHigh, 1u);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    EXPECT_FALSE(Exists(At("Temp")));
}

// An entry whose source or target path would pass MAX_PATH bytes stays where it is; the rest are promoted.
TEST_F(PromotionTest, EntryWithOverlongPathIsLeftInPlace)
{
    m_install = m_root + "\\" + std::string(120 - m_root.size() - 1, 'g');
    ASSERT_TRUE(CreateDirectoryA(m_install.c_str(), nullptr));
    ASSERT_EQ(m_install.size(), 120u);
    const std::string sourceTooLong(138, 's'); // target 259 bytes, source 264
    const std::string bothTooLong(200, 'b');
    const std::string emptyTooLong(150, 'e');
    ASSERT_TRUE(CreateDirectoryA(At("Temp").c_str(), nullptr));
    for (const std::string& name : {sourceTooLong, bothTooLong})
        ASSERT_TRUE(WriteBytes(At(name), "old") && WriteBytes(At("Temp\\" + name), "new"));
    ASSERT_TRUE(WriteBytes(At("Temp\\" + emptyTooLong), ""));
    ASSERT_TRUE(WriteBytes(At("game.dat"), "old") && WriteBytes(At("Temp\\game.dat"), "new"));

    int waits = 0;
    ASSERT_TRUE(PrepareInstallDirectory(Counted(m_install, waits)));
    EXPECT_EQ(waits, kPromotionPasses);
    EXPECT_EQ(ReadBytes(At("game.dat")), "new");
    for (const std::string& name : {sourceTooLong, bothTooLong}) {
        EXPECT_EQ(ReadBytes(At(name)), "old") << name.size();
        EXPECT_EQ(ReadBytes(At("Temp\\" + name)), "new") << name.size();
    }
    EXPECT_EQ(ReadBytes(At("Temp\\" + emptyTooLong)), "");
}

// An installation path so long that "<dir>\Temp" cannot be named: the folder is out of reach like a missing one,
// so one pass ends the step at once and nothing in it is touched.
TEST_F(PromotionTest, PendingFolderOutOfReachEndsAtOnce)
{
    ASSERT_TRUE(CreateDirectoryA(At("Temp").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(At("game.dat"), "old") && WriteBytes(At("Temp\\game.dat"), "new"));
    std::string padded = m_install; // the same folder, named in 256 bytes with "\." steps
    while (padded.size() + 2 <= 256)
        padded += "\\.";
    int waits = 0;
    ASSERT_TRUE(PrepareInstallDirectory(Counted(padded, waits)));
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(ReadBytes(At("game.dat")), "old");
    EXPECT_EQ(ReadBytes(At("Temp\\game.dat")), "new");
}

// A pass stopped before any one of its steps (as by a crash) loses nothing: every installed file holds its old or
// its new bytes, and a later run finishes the job.
TEST_F(PromotionTest, PassStoppedAtAnyStepLosesNothing)
{
    const auto lay = [this] {
        CreateDirectoryA(At("Temp").c_str(), nullptr);
        WriteBytes(At("a.dat"), "a-old", FILE_ATTRIBUTE_READONLY);
        WriteBytes(At("b.dat"), "b-old");
        WriteBytes(At("d.dat"), "d-old");
        WriteBytes(At("Temp\\a.dat"), "a-new");
        WriteBytes(At("Temp\\b.dat"), "b-new");
        WriteBytes(At("Temp\\c.dat"), "c-new");
        WriteBytes(At("Temp\\d.dat"), "");
    };
    lay();
    std::vector<std::pair<PromotionStep, std::wstring>> steps;
    PromotionOptions recording;
    recording.beforeStep = [&](PromotionStep step, const wchar_t* name) {
        steps.emplace_back(step, name ? name : L"");
        return ExpectPlainReplaceTarget(step, name);
    };
    ASSERT_TRUE(PromotePendingFiles(Wide(m_install).c_str(), recording));
    ASSERT_EQ(steps.size(), 6u); // clear a, replace a, replace b, discard c, discard d, remove Temp

    for (size_t stop = 0; stop < steps.size(); ++stop) {
        SCOPED_TRACE(stop);
        SetCurrentDirectoryA(m_previousDirectory.c_str());
        RemoveTree(m_install);
        ASSERT_TRUE(CreateDirectoryA(m_install.c_str(), nullptr));
        lay();
        size_t seen = 0;
        PromotionOptions stopping;
        stopping.beforeStep = [&](PromotionStep step, const wchar_t* name) {
            ExpectPlainReplaceTarget(step, name);
            return seen++ != stop;
        };
        EXPECT_FALSE(PromotePendingFiles(Wide(m_install).c_str(), stopping));
        EXPECT_EQ(CurrentDirectory(), m_install);
        for (const char* name : {"a", "b"}) {
            const auto installed = ReadBytes(At(std::string(name) + ".dat"));
            const auto waiting = ReadBytes(At(std::string("Temp\\") + name + ".dat"));
            EXPECT_TRUE((installed == name + std::string("-old") && waiting == name + std::string("-new")) ||
                        (installed == name + std::string("-new") && !waiting))
                << name;
        }
        EXPECT_EQ(ReadBytes(At("d.dat")), "d-old");
        EXPECT_FALSE(Exists(At("c.dat")));

        int waits = 0;
        ASSERT_TRUE(PrepareInstallDirectory(Counted(m_install, waits)));
        EXPECT_EQ(waits, 0);
        EXPECT_EQ(ReadBytes(At("a.dat")), "a-new");
        EXPECT_EQ(ReadBytes(At("b.dat")), "b-new");
        EXPECT_FALSE(Exists(At("Temp")));
    }
}

// The one case with the real waits: ten failed passes take at least nine full seconds.
TEST_F(PromotionTest, TenFailedPassesWaitOneSecondEachForReal)
{
    ASSERT_TRUE(CreateDirectoryA(At("Temp").c_str(), nullptr) && WriteBytes(At("Temp\\.cfg"), "x"));
    PromotionOptions options;
    options.readInstallDirectory = [this](wchar_t(&dir)[kInstallDirSize]) {
        return FillInstallDirectory(dir, m_install);
    };
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(PrepareInstallDirectory(options));
    EXPECT_GE(GetTickCount64() - start, 9000u);
    EXPECT_TRUE(Exists(At("Temp\\.cfg")));
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_ticks;
}

// The launcher's wait between passes lasts as long as asked, dispatching what arrives (a timer here), and a quit
// request it takes from the queue is there again for the run's own loop, which would otherwise never end.
TEST_F(PromotionTest, WaitBetweenPassesDispatchesAndKeepsAQuitRequest)
{
    g_ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &CountTick);
    PostQuitMessage(7);
    const ULONGLONG start = GetTickCount64();
    win::WaitDispatchingMessages(300);
    EXPECT_GE(GetTickCount64() - start, 300u);
    KillTimer(nullptr, timer);
    EXPECT_GE(g_ticks, 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// Whatever ends Start's wait, a failure inside it included, the window is enabled again and the keyboard focus is
// back on the control that had it (Windows takes it from a window it disables); a key pressed meanwhile reached no
// control.
TEST_F(PromotionTest, WaitingWindowComesBackWhateverEndsTheWait)
{
    const HWND dialog = CreateWindowExW(0, L"#32770", L"wait", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                        nullptr, nullptr);
    const HWND button = CreateWindowExW(0, L"BUTTON", L"Start", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 80, 24,
                                        dialog, nullptr, nullptr, nullptr);
    ASSERT_TRUE(dialog && button);
    SetForegroundWindow(dialog);
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    bool waiting = false;
    try {
        win::WaitingWindow wait(dialog, waiting);
        PostMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
        wait.Wait(50);
        EXPECT_TRUE(waiting);
        EXPECT_FALSE(IsWindowEnabled(dialog));
        SetFocus(nullptr); // as Windows does when it disables the window (Wine 8 leaves a child's focus alone)
        throw std::runtime_error("a failure inside Start");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(waiting);
    EXPECT_TRUE(IsWindowEnabled(dialog)) << "the window stayed disabled";
    EXPECT_EQ(GetFocus(), button) << "the focus did not come back";
    EXPECT_FALSE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) << "a key pressed during the wait reached Start";
    DestroyWindow(dialog);
}

} // namespace
