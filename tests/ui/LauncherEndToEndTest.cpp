// The real launcher driven end to end under a real display with real input: a fresh installation folder, registry
// value, AgentIP.ini (GBK bytes), Temp folder and stand-in patch client per test.
#include <windows.h>

#include <objbase.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "LauncherRig.h"
#include "PatchClientRecord.h"
#include "WindowFigures.h"
#include "resource.h"
#include "skin/KbcBmp.h"
#include "win/ComIds.h"
#include "win/Dpi.h"
#include "win/KernelHandles.h"

namespace {

// UTF-8 source text as UTF-16 and as the launcher's GBK bytes.
constexpr auto W = &rig::FromUtf8;
constexpr auto Gbk = &rig::Utf8ToGbk;

const char kCaption[] = "Tarvo登陆器";
const char kChooseZone[] = "请选择游戏大区.";
const char kCatalogueError[] = "AgentIP.ini 文件出错，请在主页中下载.";
const char kPatchFailed[] = "PatchClient Patch failed.......";

const char kThreeZones[] = "[Zone1]\r\nServiceZoneTitle=电信一区\r\nAgentIP1=10.0.0.1\r\nPort1=700\r\n"
                           "AgentIP2=10.0.0.2\r\nPort2=700\r\n"
                           "[Zone2]\r\nServiceZoneTitle=网通二区\r\nAgentIP1=10.0.0.1\r\nPort1=700\r\n"
                           "AgentIP2=10.0.0.2\r\nPort2=700\r\n"
                           "[Zone3]\r\nServiceZoneTitle=双线专区\r\nAgentIP1=10.0.3.1\r\nPort1=703\r\n";

class LauncherTest : public testing::Test {
protected:
    // installTag: the start of the installation folder's name (UTF-8).
    explicit LauncherTest(const char* installTag = "install") : m_install(Gbk(installTag).c_str()) {}

    rig::TempFolder m_install;
    rig::TempFolder m_elsewhere{"cwd"};
    std::unique_ptr<rig::InstallDirValue> m_registry;
    std::unique_ptr<rig::Process> m_launcher;
    HWND m_dlg = nullptr;

    // The stand-in patch client records what it received and shows nothing.
    void SetUp() override { ::SetEnvironmentVariableW(L"TARVO_PATCH_CLIENT_QUIET", L"1"); }
    void TearDown() override { rig::InstallDirValue::RemoveKey(); }

    // An installation with the catalogue (UTF-8 text written as GBK), the registry value and the stand-in.
    void Install(const char* catalogueUtf8)
    {
        if (catalogueUtf8) {
            ASSERT_TRUE(rig::WriteBytes(m_install / "AgentIP.ini", Gbk(catalogueUtf8)));
        }
        m_registry = std::make_unique<rig::InstallDirValue>(m_install.Path());
        ASSERT_TRUE(rig::Copy(rig::ProgramDir() + "\\TarvoPatchClient.exe", m_install / "TarvoPatchClient.exe"));
    }

    // Starts the launcher from a folder that is not the installation and waits for its window.
    void Launch(bool expectWindow = true)
    {
        m_launcher = std::make_unique<rig::Process>(rig::LauncherPath(), m_elsewhere.Path());
        ASSERT_TRUE(m_launcher->Started()) << m_launcher->StartFailure();
        if (!expectWindow)
            return;
        ASSERT_TRUE(rig::WaitFor([&] {
            return (m_dlg = rig::FindTopWindow(m_launcher->Id(), W(kCaption))) != nullptr;
        })) << "the launcher window did not appear";
        // Keys go to the window under the pointer on a display without a window manager: rest it on the window.
        ParkPointer();
    }

    void ParkPointer()
    {
        RECT rc;
        ::GetWindowRect(m_dlg, &rc);
        rig::MoveMouse(rc.left + 40, rc.top + 40);
    }

    HWND Item(int id) const { return ::GetDlgItem(m_dlg, id); }

    // Clicks list entry `index` (entries are one item height apart from the list's top).
    void ClickEntry(int index, bool twice = false)
    {
        HWND list = Item(IDC_ZONE_LIST);
        // The field shows the title once the dialog has handled the choice (and un-greyed Start).
        const std::wstring title = rig::ListEntries(list)[static_cast<size_t>(index)];
        const auto chosen = [&] { return rig::ListSelection(list) == index && FieldText() == title; };
        if (twice) {
            RECT item{};
            ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
            POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
            ::ClientToScreen(list, &p);
            rig::DoubleClick(p.x, p.y);
            ASSERT_TRUE(rig::WaitFor(chosen));
        } else {
            ASSERT_TRUE(rig::ClickListEntry(list, index, chosen)) << "entry " << index << " was not chosen";
        }
    }

    std::wstring FieldText() const { return rig::WindowText(Item(IDC_SELECTED_ZONE)); }

    // Waits for the launcher's message box (captioned with the program's name), answers it and returns its text.
    std::wstring WaitForMessage()
    {
        std::wstring text;
        EXPECT_TRUE(rig::AnswerMessageBox(m_launcher->Id(), L"TarvoLauncher", text))
            << "no message box captioned TarvoLauncher, or it stayed";
        return text;
    }

    std::string RecordPath(const rig::TempFolder& folder) const { return folder / "TarvoPatchClient.record"; }
};

// The installation folder's name and the names of a waiting file that replaces its installed counterpart and of one
// that has none (UTF-8): the typical run works with names in any script, whatever the system's code page.
struct InstallNames {
    const char* name;
    const char* folder;
    const char* replaced;
    const char* discarded;
};

// The stand-in patch client that a launcher started, ended on the way out if it still runs.
class StandIn {
public:
    explicit StandIn(DWORD id) : m_process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id)) {}
    ~StandIn()
    {
        if (Running())
            ::TerminateProcess(m_process.Get(), 1);
    }
    bool Running() const { return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }

private:
    win::KernelHandle m_process;
};

class TypicalRunTest : public LauncherTest, public testing::WithParamInterface<InstallNames> {
protected:
    TypicalRunTest() : LauncherTest(GetParam().folder) {}
};

TEST_P(TypicalRunTest, PromotesUpdatesAndHandsTheSecondZoneToThePatchClient)
{
    const std::string replaced = Gbk(GetParam().replaced);
    const std::string discarded = Gbk(GetParam().discarded);
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_TRUE(rig::WriteBytes(m_install / replaced, "old game"));
    ASSERT_TRUE(rig::MakeFolder(m_install / "Temp"));
    ASSERT_TRUE(rig::WriteBytes(m_install / ("Temp\\" + replaced), "new game"));
    ASSERT_TRUE(rig::WriteBytes(m_install / ("Temp\\" + discarded), "no counterpart"));
    ASSERT_TRUE(rig::WriteBytes(m_install / "Temp\\empty.dat", ""));
    // This stand-in stays open with its message box, as a real patch client runs on after the hand-off.
    ::SetEnvironmentVariableW(L"TARVO_PATCH_CLIENT_QUIET", nullptr);
    ASSERT_NO_FATAL_FAILURE(Launch());

    HWND list = Item(IDC_ZONE_LIST);
    EXPECT_EQ(rig::ListEntries(list), (std::vector<std::wstring>{W("电信一区"), W("网通二区"), W("双线专区")}));
    EXPECT_EQ(rig::ListSelection(list), LB_ERR);
    ASSERT_NO_FATAL_FAILURE(ClickEntry(1));
    EXPECT_EQ(FieldText(), W("网通二区"));

    ASSERT_TRUE(rig::ClickControl(Item(IDC_START)));
    PatchClientRecord record;
    ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(RecordPath(m_install), record); }));
    StandIn client(record.processId);
    ASSERT_TRUE(m_launcher->WaitForExit()) << "the launcher did not end after Start while the patch client runs";
    EXPECT_EQ(m_launcher->ExitCode(), 0u);
    EXPECT_TRUE(client.Running()) << "the patch client ended before the launcher: it was not left running";
    std::wstring shown;
    EXPECT_TRUE(rig::AnswerMessageBox(record.processId, L"TarvoPatchClient (stand-in)", shown));
    EXPECT_EQ(record.commandLine, "  2 10.0.0.1 700 10.0.0.2 700");
    EXPECT_EQ(_stricmp(record.currentDirectory.c_str(), m_install.Path().c_str()), 0) << record.currentDirectory;
    EXPECT_EQ(rig::ReadBytes(m_install / replaced), "new game");
    EXPECT_FALSE(rig::Exists(m_install / discarded));
    EXPECT_FALSE(rig::Exists(m_install / "empty.dat"));
    EXPECT_FALSE(rig::Exists(m_install / "Temp"));
}

INSTANTIATE_TEST_SUITE_P(Names, TypicalRunTest,
                         testing::Values(InstallNames{"Latin", "install", "game.dat", "new.dat"},
                                         InstallNames{"Chinese", "龙腾游戏", "游戏数据.dat", "新区说明.txt"}),
                         [](const testing::TestParamInfo<InstallNames>& test) { return test.param.name; });

TEST_F(LauncherTest, OneZoneShowsOneTitleNothingChosenUntilClicked)
{
    ASSERT_NO_FATAL_FAILURE(Install("[Zone1]\nServiceZoneTitle=电信一区\nAgentIP1=1.2.3.4\nPort1=800\n"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND list = Item(IDC_ZONE_LIST);
    EXPECT_EQ(rig::ListEntries(list), std::vector<std::wstring>{W("电信一区")});
    EXPECT_EQ(rig::ListSelection(list), LB_ERR);
    EXPECT_EQ(FieldText(), L"");

    // A mouse click on the greyed Start does nothing.
    const POINT start = rig::CenterOf(Item(IDC_START));
    rig::Click(start.x, start.y);
    EXPECT_FALSE(m_launcher->WaitForExit(500));
    EXPECT_EQ(rig::FindTopWindow(m_launcher->Id(), L"TarvoLauncher"), nullptr);

    // A double click only selects; Enter in the list and in the field changes nothing.
    ASSERT_NO_FATAL_FAILURE(ClickEntry(0, true));
    EXPECT_EQ(FieldText(), W("电信一区"));
    ASSERT_TRUE(rig::WaitFor([&] { return rig::FocusOf(m_dlg) == Item(IDC_ZONE_LIST); }));
    rig::PressKey(VK_RETURN);
    ASSERT_TRUE(rig::ClickControl(Item(IDC_SELECTED_ZONE)));
    ASSERT_TRUE(rig::WaitFor([&] { return rig::FocusOf(m_dlg) == Item(IDC_SELECTED_ZONE); }));
    rig::PressKey(VK_RETURN);
    EXPECT_FALSE(m_launcher->WaitForExit(500));
    EXPECT_FALSE(rig::Exists(RecordPath(m_install)));

    ASSERT_TRUE(rig::ClickControl(Item(IDC_START)));
    ASSERT_TRUE(m_launcher->WaitForExit());
    PatchClientRecord record;
    ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(RecordPath(m_install), record); }));
    EXPECT_EQ(record.commandLine, "  1 1.2.3.4 800");
}

TEST_F(LauncherTest, SpaceAtOpenAsksForAZoneAndTheWindowStays)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    rig::PressKey(VK_SPACE);
    EXPECT_EQ(WaitForMessage(), W(kChooseZone));
    EXPECT_FALSE(m_launcher->WaitForExit(500));
    EXPECT_NE(rig::FindTopWindow(m_launcher->Id(), W(kCaption)), nullptr);
    EXPECT_FALSE(rig::Exists(RecordPath(m_install)));
}

// Enter right after opening (the default OK), Escape and the close command end the run without starting anything.
class EndWithoutStartTest : public LauncherTest, public testing::WithParamInterface<int> {};

TEST_P(EndWithoutStartTest, EndsAndStartsNothing)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_TRUE(rig::MakeFolder(m_install / "Temp"));
    ASSERT_TRUE(rig::WriteBytes(m_install / "Temp\\new.dat", "waiting"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    if (GetParam() == WM_CLOSE)
        ::PostMessageW(m_dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        rig::PressKey(static_cast<WORD>(GetParam()));
    ASSERT_TRUE(m_launcher->WaitForExit());
    EXPECT_EQ(m_launcher->ExitCode(), 0u);
    EXPECT_FALSE(rig::Exists(RecordPath(m_install)));
    EXPECT_TRUE(rig::Exists(m_install / "Temp\\new.dat")) << "nothing is promoted without Start";
}

INSTANTIATE_TEST_SUITE_P(Keys, EndWithoutStartTest, testing::Values(VK_RETURN, VK_ESCAPE, WM_CLOSE));

TEST_F(LauncherTest, DuplicateTitlesSelectTheFirstZone)
{
    ASSERT_NO_FATAL_FAILURE(Install("[Zone1]\nServiceZoneTitle=电信一区\nAgentIP1=10.0.0.1\nPort1=701\n"
                                    "[Zone2]\nServiceZoneTitle=电信一区\nAgentIP1=10.0.0.2\nPort1=702\n"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ClickEntry(1));
    ASSERT_TRUE(rig::ClickControl(Item(IDC_START)));
    ASSERT_TRUE(m_launcher->WaitForExit());
    PatchClientRecord record;
    ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(RecordPath(m_install), record); }));
    EXPECT_EQ(record.commandLine, "  1 10.0.0.1 701");
}

// A catalogue that yields no zone is reported, and the run ends after OK.
struct CatalogueCase {
    const char* name;
    const char* catalogue; // null: no AgentIP.ini
    bool registry;
};

class UnusableCatalogueTest : public LauncherTest, public testing::WithParamInterface<CatalogueCase> {};

TEST_P(UnusableCatalogueTest, IsReportedAndEndsTheRun)
{
    ASSERT_NO_FATAL_FAILURE(Install(GetParam().catalogue));
    if (!GetParam().registry)
        rig::InstallDirValue::RemoveKey();
    ASSERT_NO_FATAL_FAILURE(Launch(false));
    EXPECT_EQ(WaitForMessage(), W(kCatalogueError));
    ASSERT_TRUE(m_launcher->WaitForExit());
    EXPECT_EQ(m_launcher->ExitCode(), 0u);
    EXPECT_FALSE(rig::Exists(RecordPath(m_install)));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnusableCatalogueTest,
                         testing::Values(CatalogueCase{"Empty", "", true}, CatalogueCase{"Missing", nullptr, true},
                                         CatalogueCase{"NoZones", "[Zone1]\nAgentIP1=1.2.3.4\nPort1=8\n", true},
                                         CatalogueCase{"NoRegistryValue", kThreeZones, false}),
                         [](const testing::TestParamInfo<CatalogueCase>& test) { return test.param.name; });

TEST_F(LauncherTest, UnreadableDirectoryAtStartIsReportedAndThePatchClientStillStarts)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_TRUE(rig::Copy(rig::ProgramDir() + "\\TarvoPatchClient.exe", m_elsewhere / "TarvoPatchClient.exe"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ClickEntry(0));
    rig::InstallDirValue::RemoveKey();
    ASSERT_TRUE(rig::ClickControl(Item(IDC_START)));
    EXPECT_EQ(WaitForMessage(), W(kPatchFailed));
    ASSERT_TRUE(m_launcher->WaitForExit());
    PatchClientRecord record;
    ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(RecordPath(m_elsewhere), record); }))
        << "the patch client is started from the launcher's own current directory";
    EXPECT_EQ(record.commandLine, "  2 10.0.0.1 700 10.0.0.2 700");
}

// The display's scale: the launcher is laid out and drawn for it.
const int kDpi = rig::DisplayDpi();

// The written-out figures of a scale; a scale the table lacks fails the check that asks for it.
const figures::Row& FiguresFor(int dpi)
{
    static const figures::Row kNone{};
    const figures::Row* row = figures::ForDpi(dpi);
    EXPECT_NE(row, nullptr) << "no written-out figures for " << dpi << " DPI";
    return row ? *row : kNone;
}

// Pixels of one frame of a skin strip (IDB_START_SKIN or IDB_CANCEL_SKIN) as the launcher shows it at dpi: the
// strip of the picture set drawn for the nearest larger scale, fitted to the button's written-out size. In the order
// and form the rig's captures use (0x00RRGGBB, top row first).
std::vector<COLORREF> FramePixels(int stripId, int frame, int dpi = kDpi)
{
    const figures::Row& row = FiguresFor(dpi);
    const bool start = stripId == IDB_START_SKIN;
    const int drawn = row.pictureSetDpi == 192   ? (start ? IDB_START_SKIN_192 : IDB_CANCEL_SKIN_192)
                      : row.pictureSetDpi == 144 ? (start ? IDB_START_SKIN_144 : IDB_CANCEL_SKIN_144)
                                                 : stripId;
    const layout::Box button = row.want.start;
    const skin::PixelImage fitted = skin::ResampleStrip(skin::LoadResourcePixels(static_cast<UINT>(drawn)), 4,
                                                        button.width, button.height, skin::PixelOf(0x00FF0000));
    const int width = fitted.width, height = fitted.height;
    const std::vector<std::uint32_t>& strip = fitted.pixels;
    const int w = width / 4;
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        pixels.insert(pixels.end(), strip.begin() + y * width + frame * w, strip.begin() + y * width + (frame + 1) * w);
    return pixels;
}

TEST_F(LauncherTest, StartLooksGreyThenNormalThenHoveredAndCancelIsNeverGrey)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND start = Item(IDC_START);
    HWND cancel = Item(IDCANCEL);
    RECT rc;
    ::GetClientRect(start, &rc);
    EXPECT_EQ(rc.right, FiguresFor(kDpi).want.start.width);
    EXPECT_EQ(rc.bottom, FiguresFor(kDpi).want.start.height);
    const auto shows = [](HWND button, int strip, int frame) {
        return rig::WaitFor([&] { return rig::CaptureWindow(button) == FramePixels(strip, frame); });
    };
    EXPECT_TRUE(shows(start, IDB_START_SKIN, 0)) << "Start is greyed until a zone is chosen";
    EXPECT_TRUE(shows(cancel, IDB_CANCEL_SKIN, 1));

    // Greyed, Start keeps its greyed look under the resting mouse.
    POINT p = rig::CenterOf(start);
    rig::MoveMouse(p.x, p.y);
    rig::MoveMouse(p.x + 1, p.y);
    EXPECT_FALSE(rig::WaitFor([&] { return rig::CaptureWindow(start) != FramePixels(IDB_START_SKIN, 0); }, 500));

    ASSERT_NO_FATAL_FAILURE(ClickEntry(1));
    EXPECT_TRUE(shows(start, IDB_START_SKIN, 1)) << "a chosen zone un-greys Start";
    rig::MoveMouse(p.x, p.y);
    rig::MoveMouse(p.x + 1, p.y);
    EXPECT_TRUE(shows(start, IDB_START_SKIN, 2)) << "the resting mouse gives the hovered look";
}

// Hovering a button shows its tooltip with the button's text.
TEST_F(LauncherTest, TooltipsNameTheButtons)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    const struct {
        int id;
        const char* text;
    } buttons[] = {{IDC_START, "开始游戏"}, {IDCANCEL, "取消"}};
    for (const auto& button : buttons) {
        const POINT p = rig::CenterOf(Item(button.id));
        rig::MoveMouse(p.x, p.y);
        rig::MoveMouse(p.x + 1, p.y + 1);
        EXPECT_TRUE(rig::WaitFor([&] {
            return rig::VisibleWindowOfClass(m_launcher->Id(), L"tooltips_class32") &&
                   rig::WindowText(rig::VisibleWindowOfClass(m_launcher->Id(), L"tooltips_class32")) == W(button.text);
        })) << button.text;
    }
}

// The player's setting "keyboard cues always shown", for one test; off again afterwards, as the test prefixes have
// it (like a new Windows account).
struct KeyboardCuesSetting {
    explicit KeyboardCuesSetting(bool shown) { Set(shown); }
    ~KeyboardCuesSetting() { Set(false); }
    static void Set(bool shown)
    {
        ::SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(shown)),
                                SPIF_UPDATEINIFILE);
    }
};

// How the focus cue comes to show: the keyboard cues setting off (the cue comes with the first move by keyboard) or
// on (from the first paint), or off with the set-up request of the system, which Windows sends when a program is
// started from the keyboard (Wine never does; there the system answers "shown"), sent to the dialog or, as the
// system passes it on, to the button.
enum class Cues { ShownByTheKeyboard, AlwaysShown, SetUpThroughTheDialog, SetUpThroughTheButton };

// The focus cue follows the keyboard cues setting and the system's set-up. Off: the buttons show their plain frames
// while only the mouse was used, and moving with the keyboard brings the cue. On, or set up as shown: the focused
// Start shows it. Either way four Tabs go round to Start and a fifth moves the cue on to Cancel.
class FocusCueTest : public LauncherTest, public testing::WithParamInterface<Cues> {};

TEST_P(FocusCueTest, FollowsTheSettingAndTabMovesIt)
{
    const Cues cues = GetParam();
    const bool alwaysShown = cues == Cues::AlwaysShown;
    KeyboardCuesSetting setting(alwaysShown);
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND start = Item(IDC_START);
    HWND cancel = Item(IDCANCEL);
    const auto plain = [](HWND button, int strip, int frame) {
        return rig::CaptureWindow(button) == FramePixels(strip, frame);
    };
    ASSERT_TRUE(rig::WaitFor([&] {
        return plain(start, IDB_START_SKIN, 0) != alwaysShown && plain(cancel, IDB_CANCEL_SKIN, 1);
    })) << (alwaysShown ? "the focused Start shows no cue from the start" : "a cue while only the mouse was used");
    if (cues == Cues::SetUpThroughTheDialog || cues == Cues::SetUpThroughTheButton) {
        const WPARAM setUp = MAKEWPARAM(UIS_INITIALIZE, 0);
        if (cues == Cues::SetUpThroughTheDialog)
            ::SendMessageW(m_dlg, WM_CHANGEUISTATE, setUp, 0);
        else
            ::SendMessageW(start, WM_UPDATEUISTATE, setUp, 0);
        EXPECT_TRUE(rig::WaitFor([&] { return !plain(start, IDB_START_SKIN, 0); }))
            << "the focused Start shows no cue after the system set the cues up as shown";
    }
    for (int tab = 0; tab < 4; ++tab)
        rig::PressKey(VK_TAB);
    ASSERT_TRUE(rig::WaitFor([&] { return rig::FocusOf(m_dlg) == start; }));
    EXPECT_TRUE(rig::WaitFor([&] { return !plain(start, IDB_START_SKIN, 0) && plain(cancel, IDB_CANCEL_SKIN, 1); }))
        << "the focused Start shows no cue, or Cancel kept one";
    rig::PressKey(VK_TAB);
    ASSERT_TRUE(rig::WaitFor([&] { return rig::FocusOf(m_dlg) == cancel; }));
    EXPECT_TRUE(rig::WaitFor([&] { return !plain(cancel, IDB_CANCEL_SKIN, 1) && plain(start, IDB_START_SKIN, 0); }))
        << "the cue did not move from Start to Cancel";
}

std::string CuesName(const testing::TestParamInfo<Cues>& row)
{
    const char* const names[] = {"ShownByTheKeyboard", "AlwaysShown", "SetUpThroughTheDialog", "SetUpThroughTheButton"};
    return names[static_cast<int>(row.param)];
}

INSTANTIATE_TEST_SUITE_P(KeyboardCues, FocusCueTest,
                         testing::Values(Cues::ShownByTheKeyboard, Cues::AlwaysShown, Cues::SetUpThroughTheDialog,
                                         Cues::SetUpThroughTheButton),
                         CuesName);

using namespace win::com;

// What a control's object offers besides IAccessible, as a screen reader finds it: IEnumVARIANT with the number of
// children it lists, IOleWindow (":elsewhere" when it gives another window than the control's), IServiceProvider
// (":stand-in" when it says it is the system's stand-in for a control without accessibility of its own, which UI
// Automation replaces with a stand-in of its own), IAccIdentity.
std::string Offers(IUnknown* object, HWND control)
{
    std::string offers;
    void* p = nullptr;
    if (SUCCEEDED(object->QueryInterface(kIidEnumVariant, &p))) {
        const auto children = static_cast<IEnumVARIANT*>(p);
        int listed = 0;
        VARIANT child{};
        ULONG got = 0;
        for (children->Reset(); children->Next(1, &child, &got) == S_OK && got == 1 && listed < 100; ++listed)
            ::VariantClear(&child);
        offers += " IEnumVARIANT:" + std::to_string(listed);
        children->Release();
    }
    if (SUCCEEDED(object->QueryInterface(kIidOleWindow, &p))) {
        HWND window = nullptr;
        const bool its = SUCCEEDED(static_cast<IOleWindow*>(p)->GetWindow(&window)) && window == control;
        offers += its ? " IOleWindow" : " IOleWindow:elsewhere";
        static_cast<IOleWindow*>(p)->Release();
    }
    if (SUCCEEDED(object->QueryInterface(kIidServiceProvider, &p))) {
        void* standIn = nullptr;
        static_cast<IServiceProvider*>(p)->QueryService(kSidIsOleaccProxy, kIidUnknown, &standIn);
        offers += standIn ? " IServiceProvider:stand-in" : " IServiceProvider";
        if (standIn)
            static_cast<IUnknown*>(standIn)->Release();
        static_cast<IServiceProvider*>(p)->Release();
    }
    if (SUCCEEDED(object->QueryInterface(kIidAccIdentity, &p))) {
        offers += " IAccIdentity";
        static_cast<IUnknown*>(p)->Release();
    }
    return offers.empty() ? offers : offers.substr(1);
}

// What a screen reader reads for each control: the buttons' texts, and for the list and the field the labels that
// are only drawn in the picture, through IAccessible and through IDispatch; and what else each control's object
// offers. The buttons' is the system's standard object, made in this process; the list's and the field's come from
// the launcher through COM and must offer what the standard object for their window offers, but as the control's
// own object, not the system's stand-in.
TEST_F(LauncherTest, ScreenReadersGetEveryControlsName)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_FALSE(rig::ModulePath(m_launcher->Id(), L"user32.dll").empty()) << "the launcher's modules cannot be read";
    EXPECT_EQ(rig::ModulePath(m_launcher->Id(), L"oleacc.dll"), L"") << "loaded before a screen reader asked";
    // Wine 8's standard object lists no list rows as children (Windows' lists them, and offers IAccIdentity too).
    const char kStandard[] = "IEnumVARIANT:0 IOleWindow IServiceProvider:stand-in";
    const char kOwn[] = "IEnumVARIANT:0 IOleWindow IServiceProvider";
    const struct {
        int id;
        const char* name;
        const char* offers;
    } controls[] = {{IDC_START, "开始游戏", kStandard},
                    {IDCANCEL, "取消", kStandard},
                    {IDC_ZONE_LIST, "选择游戏大区", kOwn},
                    {IDC_SELECTED_ZONE, "所选大区", kOwn}};
    for (const auto& control : controls) {
        SCOPED_TRACE(control.name);
        const HWND window = Item(control.id);
        IAccessible* object = nullptr;
        ASSERT_EQ(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                               reinterpret_cast<void**>(&object)),
                  S_OK);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        // The control itself, as clients name it: VT_I4, and for the launcher's own objects also left out (VT_EMPTY,
        // VT_ERROR), a short integer and an integer by reference, as scripting clients send them.
        LONG byReference = CHILDID_SELF;
        std::vector<VARIANT> ids(control.offers == kOwn ? 5 : 1, self);
        if (ids.size() > 1) {
            ids[1].vt = VT_EMPTY;
            ids[2].vt = VT_ERROR;
            ids[2].scode = DISP_E_PARAMNOTFOUND;
            ids[3].vt = VT_I2;
            ids[3].iVal = CHILDID_SELF;
            ids[4].vt = VT_I4 | VT_BYREF;
            ids[4].plVal = &byReference;
        }
        for (const VARIANT& id : ids) {
            BSTR name = nullptr;
            EXPECT_EQ(object->get_accName(id, &name), S_OK) << "child id of type " << id.vt;
            EXPECT_EQ(std::wstring(name ? name : L""), W(control.name)) << "child id of type " << id.vt;
            ::SysFreeString(name);
        }
        EXPECT_EQ(Offers(object, window), control.offers);
        IAccessible* standard = nullptr;
        ASSERT_EQ(
            ::CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard)),
            S_OK);
        EXPECT_EQ(Offers(standard, window), kStandard);
        standard->Release();
        if (control.offers == kOwn) {
            DISPPARAMS child{&self, nullptr, 1, 0};
            VARIANT read{};
            EXPECT_EQ(object->Invoke(DISPID_ACC_NAME, GUID{}, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &child, &read,
                                     nullptr, nullptr),
                      S_OK);
            EXPECT_EQ(std::wstring(read.vt == VT_BSTR && read.bstrVal ? read.bstrVal : L""), W(control.name));
            ::VariantClear(&read);
        }
        object->Release();
    }
    ::CoUninitialize();
}

// The common controls library is loaded for the first tooltip, from the system folder, and not before: the pointer
// resting on Start before anything else happens brings the tooltip and the library; a run done with the keyboard
// alone never loads it.
class CommonControlsTest : public LauncherTest, public testing::WithParamInterface<bool> {};

TEST_P(CommonControlsTest, LoadedForTheFirstTooltipOnly)
{
    const bool pointer = GetParam();
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    const DWORD id = m_launcher->Id();
    ASSERT_FALSE(rig::ModulePath(id, L"user32.dll").empty()) << "the launcher's modules cannot be read";
    EXPECT_EQ(rig::ModulePath(id, L"comctl32.dll"), L"") << "loaded before it was needed";
    if (pointer) {
        const POINT p = rig::CenterOf(Item(IDC_START));
        rig::MoveMouse(p.x, p.y);
        HWND tip = nullptr;
        ASSERT_TRUE(
            rig::WaitFor([&] { return (tip = rig::VisibleWindowOfClass(id, L"tooltips_class32")) != nullptr; }));
        EXPECT_EQ(rig::WindowText(tip), W("开始游戏"));
        RECT at{};
        ::GetWindowRect(tip, &at);
        // Under the pointer's hot spot, below the pointer's picture.
        EXPECT_TRUE(std::abs(at.left - p.x) <= 4 && at.top > p.y && at.top <= p.y + layout::Scale(40, kDpi))
            << "shown at " << at.left << "," << at.top << " for the pointer at " << p.x << "," << p.y;
        ParkPointer();
        EXPECT_TRUE(rig::WaitFor([&] { return !rig::VisibleWindowOfClass(id, L"tooltips_class32"); }));
        return;
    }
    // Tab order: Start (focused at open), Cancel, the field, the list; Home chooses the first title.
    for (int i = 0; i < 3; ++i)
        rig::PressKey(VK_TAB);
    ASSERT_TRUE(rig::WaitFor([&] { return rig::FocusOf(m_dlg) == Item(IDC_ZONE_LIST); }));
    rig::PressKey(VK_HOME);
    ASSERT_TRUE(rig::WaitFor([&] { return FieldText() == W("电信一区"); }));
    rig::PressKey(VK_TAB);
    ASSERT_TRUE(rig::WaitFor([&] { return rig::FocusOf(m_dlg) == Item(IDC_START); }));
    EXPECT_EQ(rig::ModulePath(id, L"comctl32.dll"), L"");
    rig::PressKey(VK_SPACE);
    ASSERT_TRUE(m_launcher->WaitForExit()) << "the launcher did not end after Start";
    PatchClientRecord record;
    ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(RecordPath(m_install), record); }));
    EXPECT_EQ(record.commandLine, "  2 10.0.0.1 700 10.0.0.2 700");
}

INSTANTIATE_TEST_SUITE_P(FirstUse, CommonControlsTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& row) {
                             return row.param ? "PointerRestsOnStartFirst" : "KeyboardAloneStartsAZone";
                         });

layout::Box BoxOf(RECT rc)
{
    return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

// The dialog's client area and controls have the written-out figures of the scale.
void ExpectLaidOutFor(HWND dlg, int dpi)
{
    const layout::WindowLayout want = FiguresFor(dpi).want;
    RECT client{};
    ::GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, want.client.width);
    EXPECT_EQ(client.bottom, want.client.height);
    EXPECT_TRUE(figures::Same(BoxOf(rig::RectInParent(::GetDlgItem(dlg, IDC_ZONE_LIST))), want.list));
    EXPECT_TRUE(figures::Same(BoxOf(rig::RectInParent(::GetDlgItem(dlg, IDC_SELECTED_ZONE))), want.field));
    EXPECT_TRUE(figures::Same(BoxOf(rig::RectInParent(::GetDlgItem(dlg, IDC_START))), want.start));
    EXPECT_TRUE(figures::Same(BoxOf(rig::RectInParent(::GetDlgItem(dlg, IDCANCEL))), want.cancel));
}

// The height of a line of the dialog's font at the display's scale (this program's system font is the same one).
int LineHeight()
{
    HDC screen = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(screen, ::GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen, &metrics);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
}

// The window has the layout of the display's scale, centred on the screen, and a title fits its list row.
TEST_F(LauncherTest, WindowIsLaidOutForTheDisplayScale)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ExpectLaidOutFor(m_dlg, kDpi);
    RECT window{};
    ::GetWindowRect(m_dlg, &window);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);
    EXPECT_GE(::SendMessageW(Item(IDC_ZONE_LIST), LB_GETITEMHEIGHT, 0, 0), LineHeight());
    // The list, filled with its drawing held back, is drawn: its window colour covers the picture beneath it.
    const auto drawn = [&] {
        const std::vector<COLORREF> list = rig::CaptureWindow(Item(IDC_ZONE_LIST));
        return std::count(list.begin(), list.end(), skin::PixelOf(::GetSysColor(COLOR_WINDOW))) * 2 >
               static_cast<std::ptrdiff_t>(list.size());
    };
    EXPECT_TRUE(rig::WaitFor(drawn));
    // Told that the caption and border sizes changed, the window lays itself out again (here from a size it was
    // pushed to): the same client area in the frame the system now draws.
    ::SetWindowPos(m_dlg, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(m_dlg, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    ExpectLaidOutFor(m_dlg, kDpi);
}

// Moved to a monitor of another scale, the window lays itself out again with that scale's pictures and font, and
// choosing and starting work as before. The display cannot change its scale, so the test sends the notice.
TEST_F(LauncherTest, ChangeOfScaleLaysTheWindowOutAgain)
{
    ASSERT_NO_FATAL_FAILURE(Install(kThreeZones));
    ASSERT_NO_FATAL_FAILURE(Launch());
    const int itemHeight = static_cast<int>(::SendMessageW(Item(IDC_ZONE_LIST), LB_GETITEMHEIGHT, 0, 0));
    // A scale whose window fits the test display (1024 x 768 at 96 DPI, half as big again at 144): 120 DPI takes
    // the 144-DPI pictures scaled down, 192 DPI its own.
    const int dpi = kDpi == 144 ? 192 : 120;
    // Asked first, the window tells the size it will take (for the system to keep it under a dragging pointer).
    SIZE told{};
    bool failed = false;
    EXPECT_TRUE(rig::SendWithData(m_dlg, WM_GETDPISCALEDSIZE, static_cast<WPARAM>(dpi), &told, sizeof told, failed));
    ASSERT_FALSE(failed);
    // Hidden meanwhile (minimised to the taskbar, say), it stays hidden: only its controls stop drawing.
    ::ShowWindow(m_dlg, SW_HIDE);
    ::SendMessageW(m_dlg, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
    EXPECT_FALSE(::IsWindowVisible(m_dlg)) << "the change of scale showed the hidden window";
    ::ShowWindow(m_dlg, SW_SHOWNA);

    ExpectLaidOutFor(m_dlg, dpi);
    // The told size is the new layout in the frame the system draws at the new scale (under Wine the window keeps
    // its frame, whose scale never changes).
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    const layout::Extent client = FiguresFor(dpi).want.client;
    RECT frame{0, 0, client.width, client.height};
    ASSERT_TRUE(adjustForDpi && adjustForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(m_dlg, GWL_STYLE)), FALSE,
                                             static_cast<DWORD>(::GetWindowLongPtrW(m_dlg, GWL_EXSTYLE)), dpi));
    EXPECT_EQ(told.cx, frame.right - frame.left);
    EXPECT_EQ(told.cy, frame.bottom - frame.top);
    // The list's font grew with the scale (rows of a font are not exactly proportional: allow a pixel).
    const int scaledHeight = static_cast<int>(::SendMessageW(Item(IDC_ZONE_LIST), LB_GETITEMHEIGHT, 0, 0));
    EXPECT_GE(scaledHeight, itemHeight * dpi / kDpi - 1);
    EXPECT_TRUE(rig::WaitFor([&] {
        return rig::CaptureWindow(Item(IDC_START)) == FramePixels(IDB_START_SKIN, 0, dpi);
    })) << "Start shows the greyed frame of the new scale";
    EXPECT_TRUE(
        rig::WaitFor([&] { return rig::CaptureWindow(Item(IDCANCEL)) == FramePixels(IDB_CANCEL_SKIN, 1, dpi); }));

    ParkPointer();
    ASSERT_NO_FATAL_FAILURE(ClickEntry(2));
    EXPECT_TRUE(
        rig::WaitFor([&] { return rig::CaptureWindow(Item(IDC_START)) == FramePixels(IDB_START_SKIN, 1, dpi); }));
    ASSERT_TRUE(rig::ClickControl(Item(IDC_START)));
    ASSERT_TRUE(m_launcher->WaitForExit());
    PatchClientRecord record;
    ASSERT_TRUE(rig::WaitFor([&] { return ReadPatchClientRecord(RecordPath(m_install), record); }));
    EXPECT_EQ(record.commandLine, "  1 10.0.3.1 703");
}

} // namespace
