// The real launcher meets bad input: broken or hostile AgentIP.ini files, odd registry values, a locked update and
// a missing patch client. Each row gets a fresh installation (registry value, catalogue, Temp\game.dat waiting to
// replace game.dat, stand-in patch client) and a decoy AgentIP.ini at the root of the launcher's drive, then asserts
// the whole outcome: the catalogue message and a clean end with nothing touched, or the list it shows and, after
// Start on the first entry, what the patch client received and that the update was installed.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "HandoffSupport.h"
#include "LauncherRig.h"
#include "PatchClientRecord.h"
#include "handoff/PatchClient.h"
#include "resource.h"

namespace {

constexpr auto W = &rig::FromUtf8;
constexpr auto Gbk = &rig::Utf8ToGbk;

const char kCaption[] = "Tarvo登陆器";
const char kCatalogueError[] = "AgentIP.ini 文件出错，请在主页中下载.";
const char kCannotStart[] = "无法启动 TarvoPatchClient.exe：";

// The system's words for an error, as the launcher shows them after its own text.
std::wstring SystemWords(DWORD error)
{
    wchar_t words[512] = L"";
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                    words, 512, nullptr);
    while (length && (words[length - 1] == L'\r' || words[length - 1] == L'\n' || words[length - 1] == L' '))
        --length;
    return std::wstring(words, length);
}

const char kZone1[] = "[Zone1]\r\nServiceZoneTitle=电信一区\r\nAgentIP1=10.0.0.1\r\nPort1=700\r\n"
                      "AgentIP2=10.0.0.2\r\nPort2=701\r\n";
const char kZone2[] = "[Zone2]\r\nServiceZoneTitle=网通二区\r\nAgentIP1=10.0.2.1\r\nPort1=702\r\n";
const char kTypicalLine[] = "  2 10.0.0.1 700 10.0.0.2 701";

enum class Catalogue {
    Typical,
    RandomBytes,
    RandomThenTypical,
    FiftyMegabytes,
    OneMegabyteLine,
    SixteenCharacterTitle,
    NulBytes,
    Utf16,
    Utf8Bom,
    TenThousandZones,
    Directory,
    HeldExclusively
};
enum class Registry {
    Path,
    NoTerminator,
    Binary,
    Dword,
    ExpandableVariable,
    Empty,
    Padded259,
    Padded260,
    Padded261,
    MissingKey,
    MissingValue,
    Nowhere
};
enum class Client { StandIn, Missing, Directory, TextFile };
// What becomes of Temp\game.dat after Start: installed, held open by another process during Start (ten real
// one-second passes, then it is still waiting), installed beside a sub-folder that no pass can remove (ten passes
// too, while the window answers and takes no input), or out of reach because Temp cannot be named within MAX_PATH
// (treated as no pending folder: no pass waits).
enum class Update { Installed, HeldOpen, BesideSubFolder, Unreachable };

struct Row {
    const char* name;
    Catalogue catalogue;
    Registry registry;
    Client client;
    std::vector<const char*> entries; // UTF-8; the first and the last of `count`; none: the catalogue message
    size_t count;                     // entries in the list; 0: entries.size()
    const char* commandLine;          // what the patch client receives after Start on entry 0; null: no Start
    Update update;
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

std::string RandomBytes(size_t size)
{
    std::mt19937 generator(20261208);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string CatalogueBytes(Catalogue kind)
{
    const std::string typical = Gbk(kZone1) + Gbk(kZone2);
    switch (kind) {
    case Catalogue::RandomBytes: return RandomBytes(1 << 20);
    case Catalogue::RandomThenTypical: return RandomBytes(1 << 20) + "\r\n" + typical;
    case Catalogue::FiftyMegabytes: {
        // Zone2 comes after 50 MB of short keys, so the whole file must be read to show it.
        std::string bytes = Gbk(kZone1) + "[Padding]\r\n";
        for (int i = 0; bytes.size() < (50u << 20); ++i)
            bytes += "Key" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
        return bytes + Gbk(kZone2);
    }
    case Catalogue::OneMegabyteLine:
        return "[Zone1]\r\nServiceZoneTitle=" + std::string(1 << 20, 'T') +
               "\r\nAgentIP1=" + std::string(1 << 20, '1') + "\r\nPort1=700\r\n";
    case Catalogue::SixteenCharacterTitle:
        // 32 bytes: the cut to 31 leaves the last character's lead byte alone.
        return Gbk(
            "[Zone1]\r\nServiceZoneTitle=一二三四五六七八九十甲乙丙丁戊己\r\nAgentIP1=10.0.0.1\r\nPort1=700\r\n");
    case Catalogue::NulBytes: {
        // A NUL ends a name or a value; a key whose name a NUL cuts short is another key.
        const char bytes[] = "[Zone1]\r\nServiceZoneTitle=AB\0CD\r\nAgentIP1=10.0.0.1\0.99\r\nPort1=70\0"
                             "0\r\n"
                             "[Zone2]\r\nService\0ZoneTitle=Hidden\r\n"
                             "[Zone3]\r\nServiceZoneTitle=EF\r\n";
        return std::string(bytes, sizeof bytes - 1);
    }
    case Catalogue::Utf16: {
        const std::wstring text = W(kZone1) + W(kZone2);
        return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    }
    case Catalogue::Utf8Bom:
        return "\xEF\xBB\xBF[Zone1]\r\nServiceZoneTitle=Alpha\r\nAgentIP1=10.0.0.1\r\nPort1=700\r\n";
    case Catalogue::TenThousandZones: {
        std::string bytes;
        for (int n = 1; n <= 10000; ++n)
            bytes += "[Zone" + std::to_string(n) + "]\r\nServiceZoneTitle=Zone " + std::to_string(n) +
                     "\r\nAgentIP1=10.0." + std::to_string(n / 256) + "." + std::to_string(n % 256) +
                     "\r\nPort1=" + std::to_string(n) + "\r\n";
        return bytes;
    }
    default: return typical;
    }
}

// The installation folder grown to exactly `length` bytes with "\." steps (and a final '\' when the count is odd),
// a path that names the same folder.
std::string Padded(const std::string& dir, size_t length)
{
    std::string padded = dir;
    while (padded.size() + 2 <= length)
        padded += "\\.";
    if (padded.size() < length)
        padded += "\\";
    return padded;
}

bool KeyExists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quon\\Tarvo", 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// Waits until no patch client the launcher started still runs: the stand-in counts its start before it ends, so the
// count is then complete (the launcher ends right after it starts one, before the stand-in has begun).
bool StandInsEnded(DWORD launcherId)
{
    return rig::WaitFor([&] {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        bool running = false;
        for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
            running |= entry.th32ParentProcessID == launcherId &&
                       ::lstrcmpiW(entry.szExeFile, L"TarvoPatchClient.exe") == 0;
        ::CloseHandle(snapshot);
        return !running;
    });
}

class BadInput : public testing::TestWithParam<Row> {
protected:
    rig::TempFolder m_install{"badinput"};
    rig::TempFolder m_elsewhere{"badinput-cwd"};
    std::string m_decoy;
    std::unique_ptr<rig::InstallDirValue> m_registry;
    std::unique_ptr<rig::Process> m_launcher;
    HWND m_dlg = nullptr;
    bool m_mouseHeld = false;

    void SetUp() override
    {
        ::SetEnvironmentVariableA("TARVO_PATCH_CLIENT_QUIET", "1");
        rig::InstallDirValue::RemoveKey();
        // Where a launcher without a directory would look: "\AgentIP.ini" on its current drive.
        m_decoy = m_elsewhere.Path().substr(0, 3) + "AgentIP.ini";
        ASSERT_TRUE(rig::WriteBytes(m_decoy, "[Zone1]\r\nServiceZoneTitle=Decoy\r\nAgentIP1=6.6.6.6\r\nPort1=666\r\n"));
    }
    void TearDown() override
    {
        if (m_mouseHeld)
            rig::MouseButton(false);
        rig::InstallDirValue::RemoveKey();
        ::DeleteFileA(m_decoy.c_str());
        ::SetEnvironmentVariableA("TARVO_BADINPUT_DIR", nullptr);
    }

    void SetRegistry(Registry kind)
    {
        const std::string& dir = m_install.Path();
        const DWORD dword = 0x12345678;
        switch (kind) {
        case Registry::Path: m_registry = std::make_unique<rig::InstallDirValue>(dir); break;
        case Registry::NoTerminator: m_registry = std::make_unique<rig::InstallDirValue>(dir, REG_SZ, false); break;
        case Registry::Binary: m_registry = std::make_unique<rig::InstallDirValue>(dir, REG_BINARY, false); break;
        case Registry::Dword:
            m_registry = std::make_unique<rig::InstallDirValue>(std::string(reinterpret_cast<const char*>(&dword), 4),
                                                                REG_DWORD, false);
            break;
        case Registry::ExpandableVariable:
            ::SetEnvironmentVariableA("TARVO_BADINPUT_DIR", dir.c_str());
            m_registry = std::make_unique<rig::InstallDirValue>("%TARVO_BADINPUT_DIR%", REG_EXPAND_SZ);
            break;
        case Registry::Empty: m_registry = std::make_unique<rig::InstallDirValue>(""); break;
        case Registry::Padded259: m_registry = std::make_unique<rig::InstallDirValue>(Padded(dir, 259)); break;
        case Registry::Padded260: m_registry = std::make_unique<rig::InstallDirValue>(Padded(dir, 260)); break;
        case Registry::Padded261: m_registry = std::make_unique<rig::InstallDirValue>(Padded(dir, 261)); break;
        case Registry::MissingKey:
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quon\\Tarvo", KEY_WOW64_32KEY, 0);
            ASSERT_FALSE(KeyExists());
            break;
        case Registry::MissingValue:
            m_registry = std::make_unique<rig::InstallDirValue>(dir);
            {
                HKEY key = nullptr;
                ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quon\\Tarvo", 0, KEY_WRITE | KEY_WOW64_32KEY, &key);
                ::RegDeleteValueA(key, "defaultdir");
                ::RegCloseKey(key);
            }
            break;
        case Registry::Nowhere: m_registry = std::make_unique<rig::InstallDirValue>("C:\\no\\such\\folder"); break;
        }
    }

    std::wstring WaitForMessage()
    {
        std::wstring text;
        EXPECT_TRUE(rig::AnswerMessageBox(m_launcher->Id(), L"TarvoLauncher", text))
            << "no message box captioned TarvoLauncher, or it stayed";
        return text;
    }

    void ChooseFirstEntry()
    {
        HWND list = ::GetDlgItem(m_dlg, IDC_ZONE_LIST);
        const std::wstring first = rig::ListEntries(list).front();
        ASSERT_TRUE(rig::ClickListEntry(list, 0, [&] {
            return rig::WindowText(::GetDlgItem(m_dlg, IDC_SELECTED_ZONE)) == first;
        })) << "choosing the first entry did not select its zone";
    }

    void ChooseFirstEntryAndStart()
    {
        ASSERT_NO_FATAL_FAILURE(ChooseFirstEntry());
        ASSERT_TRUE(rig::ClickControl(::GetDlgItem(m_dlg, IDC_START))) << "Start did not take the click";
    }

    // Start's click as Windows delivers it, handled while Start still holds the mouse (Wine's button lets go of it
    // before it tells the dialog): the mouse button is held down on Start and the click told to the dialog meanwhile.
    // ExpectAnsweringWithoutInput lets the mouse button go.
    void StartWhileStartHoldsTheMouse()
    {
        HWND start = ::GetDlgItem(m_dlg, IDC_START);
        const POINT at = rig::CenterOf(start);
        rig::MoveMouse(at.x, at.y);
        rig::MouseButton(true);
        m_mouseHeld = true;
        ASSERT_TRUE(rig::WaitFor([&] { return rig::CaptureOf(m_dlg) == start; }, 10000))
            << "Start did not take the press";
        ::PostMessageW(m_dlg, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), reinterpret_cast<LPARAM>(start));
    }

    // The pointer the launcher shows over its window before Start: the arrow.
    HCURSOR PointerNow() const
    {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        return ::GetCursorInfo(&info) ? info.hCursor : nullptr;
    }

    // The pointer over the window is the busy one. Windows shares the system's pointers between processes, so there
    // it is the handle this process gets for the busy pointer. Under Wine each process has handles of its own that
    // another cannot read, so there it is one that is not the arrow the launcher showed before Start.
    bool IsBusyPointer(HCURSOR arrowBefore) const
    {
        const HCURSOR now = PointerNow();
        const bool shared = arrowBefore == ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        return shared ? now == ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT))
                      : now != nullptr && now != arrowBefore;
    }

    // While the passes wait, the window answers promptly all along (it repaints, and Windows never shows it as not
    // responding) but takes no input: no window of the launcher holds the mouse, the pointer over it is the busy
    // one, and Start's click, Cancel and the close request, posted to the dialog meanwhile, neither start the patch
    // client again nor end the launcher early (the caller checks the one start and the time to the end).
    void ExpectAnsweringWithoutInput(HCURSOR arrowBefore)
    {
        bool enabled = true;
        rig::WaitFor([&] { return !::IsWindow(m_dlg) || !(enabled = ::IsWindowEnabled(m_dlg) != FALSE); });
        ASSERT_TRUE(::IsWindow(m_dlg)) << "the launcher ended without waiting for Temp";
        ASSERT_FALSE(enabled) << "the window stayed enabled after Start: it takes input while the passes wait";
        EXPECT_EQ(rig::CaptureOf(m_dlg), nullptr) << "a window of the launcher holds the mouse while the passes wait";
        rig::MouseButton(false);
        m_mouseHeld = false;

        // The pointer moved over the window, as a player's would be, twice: the launcher is asked for it each time.
        RECT rc;
        ::GetWindowRect(m_dlg, &rc);
        rig::MoveMouse(rc.left + 30, rc.top + 60);
        rig::MoveMouse((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        EXPECT_TRUE(rig::WaitFor([&] { return IsBusyPointer(arrowBefore); }, 5000))
            << "the pointer over the window is not the busy pointer while the passes wait";

        // Probes spread over two seconds of the wait, one every 150 ms: a wait that looks at its messages only now
        // and then answers most of them late. Two slow answers are allowed for a busy machine.
        constexpr int kProbes = 14;
        const DWORD prompt = 100 * rig::TimeScale();
        std::vector<DWORD> late;
        const ULONGLONG first = ::GetTickCount64();
        for (int probe = 0; probe < kProbes; ++probe) {
            const ULONGLONG due = first + 150u * probe;
            const ULONGLONG now = ::GetTickCount64();
            if (due > now)
                ::Sleep(static_cast<DWORD>(due - now));
            const ULONGLONG sent = ::GetTickCount64();
            DWORD_PTR answer = 0;
            ASSERT_TRUE(::SendMessageTimeoutW(m_dlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000 * rig::TimeScale(), &answer))
                << "the window did not answer probe " << probe << " within two seconds while the passes wait";
            const DWORD took = static_cast<DWORD>(::GetTickCount64() - sent);
            if (took > prompt)
                late.push_back(took);
        }
        EXPECT_LE(late.size(), 2u) << "of " << kProbes << " probes, answered after more than " << prompt
                                   << " ms; the first of them took " << (late.empty() ? 0 : late.front()) << " ms";

        // The guards.
        HWND start = ::GetDlgItem(m_dlg, IDC_START);
        ::PostMessageW(m_dlg, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), reinterpret_cast<LPARAM>(start));
        ::PostMessageW(m_dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(m_dlg, IDCANCEL)));
        ::PostMessageW(m_dlg, WM_CLOSE, 0, 0);
        const POINT at = rig::CenterOf(start);
        rig::Click(at.x, at.y);
        DWORD_PTR answer = 0;
        EXPECT_TRUE(::SendMessageTimeoutW(m_dlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000 * rig::TimeScale(), &answer) &&
                    ::IsWindowVisible(m_dlg))
            << "the window went away on Cancel or the close request while the passes wait";
    }
};

TEST_P(BadInput, EndsAsItShould)
{
    const Row& row = GetParam();
    const std::string catalogue = m_install / "AgentIP.ini";
    ASSERT_TRUE(row.catalogue == Catalogue::Directory ? ::CreateDirectoryA(catalogue.c_str(), nullptr) != FALSE
                                                      : rig::WriteBytes(catalogue, CatalogueBytes(row.catalogue)));
    ASSERT_TRUE(rig::WriteBytes(m_install / "game.dat", "old"));
    ASSERT_TRUE(::CreateDirectoryA((m_install / "Temp").c_str(), nullptr));
    ASSERT_TRUE(rig::WriteBytes(m_install / "Temp\\game.dat", "new"));
    if (row.update == Update::BesideSubFolder) {
        ASSERT_TRUE(::CreateDirectoryA((m_install / "Temp\\Folder").c_str(), nullptr));
    }
    const std::string client = m_install / "TarvoPatchClient.exe";
    if (row.client == Client::StandIn) {
        ASSERT_TRUE(::CopyFileA((rig::ProgramDir() + "\\TarvoPatchClient.exe").c_str(), client.c_str(), FALSE));
    } else if (row.client == Client::Directory) {
        ASSERT_TRUE(::CreateDirectoryA(client.c_str(), nullptr));
    } else if (row.client == Client::TextFile) {
        ASSERT_TRUE(rig::WriteBytes(client, "not a program\r\n"));
    }
    ASSERT_NO_FATAL_FAILURE(SetRegistry(row.registry));
    std::unique_ptr<handoff_test::FileHolder> catalogueHolder;
    if (row.catalogue == Catalogue::HeldExclusively) {
        catalogueHolder = std::make_unique<handoff_test::FileHolder>(catalogue, false);
        ASSERT_TRUE(catalogueHolder->Holding());
    }

    m_launcher = std::make_unique<rig::Process>(rig::LauncherPath(), m_elsewhere.Path());
    ASSERT_TRUE(m_launcher->Started()) << m_launcher->StartFailure();
    const std::string record = m_install / "TarvoPatchClient.record";

    if (row.entries.empty()) {
        EXPECT_EQ(WaitForMessage(), W(kCatalogueError));
        ASSERT_TRUE(m_launcher->WaitForExit()) << "the run did not end after the catalogue message";
        EXPECT_EQ(m_launcher->ExitCode(), 0u);
        EXPECT_FALSE(rig::Exists(record));
        EXPECT_EQ(rig::ReadBytes(m_install / "Temp\\game.dat"), "new") << "nothing is promoted without Start";
    } else {
        ASSERT_TRUE(
            rig::WaitFor([&] { return (m_dlg = rig::FindTopWindow(m_launcher->Id(), W(kCaption))) != nullptr; }, 60000))
            << "the launcher window did not appear";
        RECT rc;
        ::GetWindowRect(m_dlg, &rc);
        rig::MoveMouse(rc.left + 40, rc.top + 40);
        const std::vector<std::wstring> shown = rig::ListEntries(::GetDlgItem(m_dlg, IDC_ZONE_LIST));
        ASSERT_EQ(shown.size(), row.count ? row.count : row.entries.size());
        if (row.count) {
            EXPECT_EQ(shown.front(), W(row.entries.front()));
            EXPECT_EQ(shown.back(), W(row.entries.back()));
        } else {
            for (size_t i = 0; i < shown.size(); ++i)
                EXPECT_EQ(shown[i], W(row.entries[i])) << i;
        }
        if (!row.commandLine) {
            rig::PressKey(VK_ESCAPE);
            ASSERT_TRUE(m_launcher->WaitForExit());
        } else {
            std::unique_ptr<handoff_test::FileHolder> waitingHolder;
            if (row.update == Update::HeldOpen) {
                waitingHolder = std::make_unique<handoff_test::FileHolder>(m_install / "Temp\\game.dat", false);
                ASSERT_TRUE(waitingHolder->Holding());
            }
            HCURSOR arrow = nullptr;
            if (row.update == Update::BesideSubFolder) {
                ASSERT_TRUE(rig::WaitFor([&] { return (arrow = PointerNow()) != nullptr; }));
            }
            const ULONGLONG started = ::GetTickCount64();
            if (row.update == Update::BesideSubFolder) {
                ASSERT_NO_FATAL_FAILURE(ChooseFirstEntry());
                ASSERT_NO_FATAL_FAILURE(StartWhileStartHoldsTheMouse());
                ASSERT_NO_FATAL_FAILURE(ExpectAnsweringWithoutInput(arrow));
            } else {
                ASSERT_NO_FATAL_FAILURE(ChooseFirstEntryAndStart());
            }
            if (row.client != Client::StandIn) {
                // The reason is the system's, for the failure this process meets starting the same file.
                const DWORD cwd = ::GetCurrentDirectoryW(0, nullptr);
                std::wstring before(cwd, L'\0');
                ::GetCurrentDirectoryW(cwd, before.data());
                ::SetCurrentDirectoryA(m_install.Path().c_str());
                const DWORD error = SpawnPatchClient(PatchClientArguments{"1", "10.0.0.1 700"});
                ::SetCurrentDirectoryW(before.c_str());
                ASSERT_NE(error, 0u);
                EXPECT_EQ(WaitForMessage(), W(kCannotStart) + SystemWords(error)) << "error " << error;
            }
            // Any other message box would keep the launcher open: ending in time also means nothing else was shown.
            ASSERT_TRUE(m_launcher->WaitForExit(row.update == Update::Installed ? 60000 : 120000))
                << "the launcher did not end after Start";
            EXPECT_EQ(m_launcher->ExitCode(), 0u);
            if (row.update == Update::BesideSubFolder) {
                EXPECT_GE(::GetTickCount64() - started, 9000u)
                    << "ms from Start to the end: a second's wait after each of the ten passes";
            }
            waitingHolder.reset();
            const bool promoted = row.update == Update::Installed || row.update == Update::BesideSubFolder;
            EXPECT_EQ(rig::ReadBytes(m_install / "game.dat"), promoted ? "new" : "old");
            EXPECT_EQ(rig::ReadBytes(m_install / "Temp\\game.dat"), promoted ? "" : "new");
            PatchClientRecord received;
            if (row.client == Client::StandIn) {
                ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(record, received); }));
                ASSERT_TRUE(StandInsEnded(m_launcher->Id())) << "a patch client the launcher started did not end";
                EXPECT_EQ(received.commandLine, row.commandLine);
                EXPECT_EQ(rig::ReadBytes(m_install / "TarvoPatchClient.starts"),
                          std::to_string(received.processId) + "\n")
                    << "the patch client is started once";
            } else {
                EXPECT_FALSE(rig::Exists(record));
            }
        }
    }
    if (row.client == Client::Directory) {
        EXPECT_TRUE(::GetFileAttributesA(client.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    if (row.registry == Registry::MissingKey) {
        EXPECT_FALSE(KeyExists()) << "the launcher only reads the registry";
    }
    if (catalogueHolder) {
        catalogueHolder->Release();
        EXPECT_EQ(rig::ReadBytes(catalogue), CatalogueBytes(Catalogue::Typical));
    }
}

using C = Catalogue;
using R = Registry;
using U = Update;
using P = Client;
const char* const kTypical[] = {"电信一区", "网通二区"};
const std::vector<const char*> kTypicalEntries(std::begin(kTypical), std::end(kTypical));
const std::string kLongTitle(31, 'T');
const std::string kLongLine = "  1 " + std::string(31, '1') + " 700";

const Row kRows[] = {
    // AgentIP.ini
    {"RandomBytes", C::RandomBytes, R::Path, P::StandIn, {}, 0, nullptr, U::Installed},
    {"RandomBytesBeforeAGoodCatalogue", C::RandomThenTypical, R::Path, P::StandIn, kTypicalEntries, 0, kTypicalLine,
     U::Installed},
    {"FiftyMegabytes", C::FiftyMegabytes, R::Path, P::StandIn, kTypicalEntries, 0, kTypicalLine, U::Installed},
    {"OneMegabyteLinesCutTo31Bytes",
     C::OneMegabyteLine,
     R::Path,
     P::StandIn,
     {kLongTitle.c_str()},
     0,
     kLongLine.c_str(),
     U::Installed},
    {"SixteenCharacterTitleCutInsideACharacter",
     C::SixteenCharacterTitle,
     R::Path,
     P::StandIn,
     {"一二三四五六七八九十甲乙丙丁戊"},
     0,
     "  1 10.0.0.1 700",
     U::Installed},
    {"NulBytesEndNamesAndValues", C::NulBytes, R::Path, P::StandIn, {"AB", "EF"}, 0, "  1 10.0.0.1 70", U::Installed},
    {"Utf16WithByteOrderMarkConverted", C::Utf16, R::Path, P::StandIn, kTypicalEntries, 0, kTypicalLine, U::Installed},
    {"Utf8ByteOrderMarkSkipped", C::Utf8Bom, R::Path, P::StandIn, {"Alpha"}, 0, "  1 10.0.0.1 700", U::Installed},
    {"TenThousandZones",
     C::TenThousandZones,
     R::Path,
     P::StandIn,
     {"Zone 1", "Zone 10000"},
     10000,
     "  1 10.0.0.1 1",
     U::Installed},
    {"CatalogueIsADirectory", C::Directory, R::Path, P::StandIn, {}, 0, nullptr, U::Installed},
    {"CatalogueHeldOpenExclusively", C::HeldExclusively, R::Path, P::StandIn, {}, 0, nullptr, U::Installed},
    // Registry value
    {"RegistryDword", C::Typical, R::Dword, P::StandIn, {}, 0, nullptr, U::Installed},
    {"RegistryBinaryPath", C::Typical, R::Binary, P::StandIn, kTypicalEntries, 0, kTypicalLine, U::Installed},
    {"RegistryExpandableUsedUnexpanded", C::Typical, R::ExpandableVariable, P::StandIn, {}, 0, nullptr, U::Installed},
    {"RegistryEmptyString", C::Typical, R::Empty, P::StandIn, {}, 0, nullptr, U::Installed},
    {"Registry259BytesTempOutOfReach", C::Typical, R::Padded259, P::StandIn, kTypicalEntries, 0, kTypicalLine,
     U::Unreachable},
    {"Registry260Bytes", C::Typical, R::Padded260, P::StandIn, {}, 0, nullptr, U::Installed},
    {"Registry261Bytes", C::Typical, R::Padded261, P::StandIn, {}, 0, nullptr, U::Installed},
    {"RegistryNoTerminator", C::Typical, R::NoTerminator, P::StandIn, kTypicalEntries, 0, kTypicalLine, U::Installed},
    {"RegistryMissingKey", C::Typical, R::MissingKey, P::StandIn, {}, 0, nullptr, U::Installed},
    {"RegistryMissingValue", C::Typical, R::MissingValue, P::StandIn, {}, 0, nullptr, U::Installed},
    {"RegistryPathThatDoesNotExist", C::Typical, R::Nowhere, P::StandIn, {}, 0, nullptr, U::Installed},
    // Start
    {"WaitingFileLockedTenRealPasses", C::Typical, R::Path, P::StandIn, kTypicalEntries, 0, kTypicalLine, U::HeldOpen},
    {"SubFolderInTempWindowAnswersMeanwhile", C::Typical, R::Path, P::StandIn, kTypicalEntries, 0, kTypicalLine,
     U::BesideSubFolder},
    {"PatchClientMissing", C::Typical, R::Path, P::Missing, kTypicalEntries, 0, "", U::Installed},
    {"PatchClientIsADirectory", C::Typical, R::Path, P::Directory, kTypicalEntries, 0, "", U::Installed},
    {"PatchClientIsATextFile", C::Typical, R::Path, P::TextFile, kTypicalEntries, 0, "", U::Installed},
};

INSTANTIATE_TEST_SUITE_P(Matrix, BadInput, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

} // namespace
