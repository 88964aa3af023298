// Real skin buttons in a real window under the display, driven by real input (SendInput). Each test builds its
// own window; looks are compared pixel for pixel with the strip's frames over the parent's pixels.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LauncherRig.h"
#include "SkinPixels.h"
#include "TestStrips.h"
#include "resource.h"
#include "skin/SkinButton.h"

using namespace skintest;

namespace {

const int kButtonId = 1000;
const POINT kHostAt{100, 100};
const SIZE kHostSize{300, 200};
const POINT kButtonAt{40, 50}; // the template's corner, in the host's client coordinates
const char* const kStartTip = "\xbf\xaa\xca\xbc\xd3\xce\xcf\xb7"; // "start game" in code page 936

COLORREF ParentPattern(int x, int y)
{
    return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, 128 + (x + y) % 100);
}

// Runs every waiting message the way the launcher's loop does: pre-translation first.
void Pump(HWND top)
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!win::Window::WalkPreTranslateTree(top, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

// Pumps messages until the condition holds or the deadline passes.
template <class F>
bool WaitFor(HWND top, F condition, DWORD timeoutMs = 30000)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        Pump(top);
        if (condition())
            return true;
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void SendMouse(DWORD flags, POINT screen = {})
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int w = ::GetSystemMetrics(SM_CXSCREEN);
        const int h = ::GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = static_cast<LONG>(((static_cast<LONGLONG>(screen.x) << 16) + w - 1) / w);
        in.mi.dy = static_cast<LONG>(((static_cast<LONGLONG>(screen.y) << 16) + h - 1) / h);
    }
    ::SendInput(1, &in, sizeof in);
}

// The test window: paints a known pattern as its background, reflects owner drawing to the button object and
// counts the button's notifications.
class Host {
public:
    Host() : m_pattern(kHostSize.cx, kHostSize.cy)
    {
        m_pattern.Fill(ParentPattern);
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Host::Proc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
            wc.lpszClassName = "TarvoSkinTestHost";
            return ::RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        m_hwnd = ::CreateWindowExA(0, "TarvoSkinTestHost", "skin", WS_POPUP | WS_VISIBLE, kHostAt.x, kHostAt.y,
                                   kHostSize.cx, kHostSize.cy, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    ~Host()
    {
        if (m_hwnd)
            ::DestroyWindow(m_hwnd);
        Pump(nullptr);
    }

    HWND Get() const { return m_hwnd; }
    // An owner-drawn push button with the template's corner and a template size unlike any frame.
    HWND AddButton(int width, int height)
    {
        return ::CreateWindowExA(
            0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, kButtonAt.x, kButtonAt.y, width, height,
            m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), ::GetModuleHandleA(nullptr), nullptr);
    }
    POINT ToScreen(int x, int y) const
    {
        POINT p{x, y};
        ::ClientToScreen(m_hwnd, &p);
        return p;
    }

    int clicks = 0;
    int doubleClicks = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<Host*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        LRESULT result = 0;
        switch (message) {
        case WM_ERASEBKGND:
            ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, kHostSize.cx, kHostSize.cy, self->m_pattern.Dc(), 0, 0,
                     SRCCOPY);
            return 1;
        case WM_DRAWITEM:
            if (win::Window::ReflectChildNotify(message, wParam, lParam, result))
                return result;
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED)
                ++self->clicks;
            if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_DOUBLECLICKED)
                ++self->doubleClicks;
            return 0;
        default: break;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }

    Surface m_pattern;
    HWND m_hwnd = nullptr;
};

// What the screen must show for each frame: the strip's frame over the parent's pattern at the button's place.
std::vector<COLORREF> ExpectedLook(UINT stripId, int frame)
{
    const StripPixels strip(stripId);
    const int w = strip.width / 4;
    std::vector<COLORREF> look;
    for (int y = 0; y < strip.height; ++y)
        for (int x = 0; x < w; ++x)
            look.push_back(skin::CompositePixel(strip.At(frame * w + x, y),
                                                ParentPattern(kButtonAt.x + x, kButtonAt.y + y), kKey));
    return look;
}

std::vector<COLORREF> Capture(HWND button)
{
    RECT rc{};
    ::GetClientRect(button, &rc);
    Surface shot(rc.right, rc.bottom);
    win::WindowDC dc(button);
    ::BitBlt(shot.Dc(), 0, 0, rc.right, rc.bottom, dc.Get(), 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x)
            pixels.push_back(shot.At(x, y));
    return pixels;
}

// Puts the pointer at a screen point through real input and waits until the system has it there.
bool MovePointer(HWND top, POINT p)
{
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p);
    return WaitFor(top, [&] {
        POINT at{};
        ::GetCursorPos(&at);
        return at.x == p.x && at.y == p.y;
    });
}

class SkinButtonWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MovePointer(nullptr, {2, 2})); // away from every window of the test
        ASSERT_NE(host.Get(), nullptr);
    }

    // Creates the button, attaches the skin object and brings the window to the front with the button focused.
    void MakeButton(UINT stripId, int templateWidth = 57, int templateHeight = 18)
    {
        hwnd = host.AddButton(templateWidth, templateHeight);
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(button.SubclassWindow(hwnd));
        button.SetSkin(stripId, kKey);
        ::SetForegroundWindow(host.Get());
        ASSERT_TRUE(WaitFor(host.Get(), [&] { return ::GetForegroundWindow() == host.Get(); }));
        ::SetFocus(hwnd);
        ::UpdateWindow(host.Get());
    }

    POINT OnButton(int x, int y) const { return host.ToScreen(kButtonAt.x + x, kButtonAt.y + y); }

    Host host;
    CSkinButton button; // declared after the host: detached before the window goes
    HWND hwnd = nullptr;
};

// --- Size -------------------------------------------------------------------------------------------------------

struct SizeCase {
    UINT id;
    int templateWidth, templateHeight;
    int width, height;
};

class SkinButtonSize : public SkinButtonWindow, public testing::WithParamInterface<SizeCase> {};

TEST_P(SkinButtonSize, TakesOneFrameKeepingTheTemplateCorner)
{
    const SizeCase c = GetParam();
    MakeButton(c.id, c.templateWidth, c.templateHeight);
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    ::MapWindowPoints(nullptr, host.Get(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, kButtonAt.x);
    EXPECT_EQ(rc.top, kButtonAt.y);
    EXPECT_EQ(rc.right - rc.left, c.width);
    EXPECT_EQ(rc.bottom - rc.top, c.height);
    EXPECT_TRUE(::EqualRect(&rc, &button.GetParentRect()));
}

INSTANTIATE_TEST_SUITE_P(Strips, SkinButtonSize,
                         testing::Values(SizeCase{IDB_START_SKIN, 57, 18, 77, 23},
                                         SizeCase{IDB_CANCEL_SKIN, 200, 100, 77, 23},
                                         SizeCase{IDB_TEST_KEYED, 5, 5, 20, 12},
                                         SizeCase{IDB_TEST_MISSING, 57, 18, 57, 18}));

// The object is found in the window's user data: a window whose user data holds something else is not attached,
// and keeps it; detaching gives the user data back empty.
TEST_F(SkinButtonWindow, AttachesOnlyWhereTheUserDataIsFree)
{
    hwnd = host.AddButton(57, 18);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 42);
    EXPECT_FALSE(button.SubclassWindow(hwnd));
    EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWLP_USERDATA), 42);
    EXPECT_EQ(win::Window::FromHandle(hwnd), nullptr);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    EXPECT_EQ(win::Window::FromHandle(hwnd), &button);
    button.UnsubclassWindow();
    EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0);
    EXPECT_EQ(win::Window::FromHandle(hwnd), nullptr);
}

// --- Looks and clicks under real input ----------------------------------------------------------------------------

enum Action { None, Grey, Ungrey, MoveOn, MoveOff, Press, Release, Click, DoubleClick, Space };

struct Step {
    Action action;
    int frame; // the look the button must show afterwards
    bool hovered;
    int clicks;       // BN_CLICKED so far
    int doubleClicks; // BN_DOUBLECLICKED so far
};

struct Scenario {
    const char* name;
    UINT strip;
    std::vector<Step> steps;
};

void PrintTo(const Scenario& s, std::ostream* os)
{
    *os << s.name;
}

class SkinButtonLooks : public SkinButtonWindow, public testing::WithParamInterface<Scenario> {
protected:
    void Do(Action action)
    {
        const POINT on = OnButton(6, 5);
        switch (action) {
        case None: break;
        case Grey: button.SetGreyed(true); break;
        case Ungrey: button.SetGreyed(false); break;
        case MoveOn: ASSERT_TRUE(MovePointer(host.Get(), on)); break;
        case MoveOff: ASSERT_TRUE(MovePointer(host.Get(), host.ToScreen(250, 150))); break;
        case Press: SendMouse(MOUSEEVENTF_LEFTDOWN); break;
        case Release: SendMouse(MOUSEEVENTF_LEFTUP); break;
        case Click:
            SendMouse(MOUSEEVENTF_LEFTDOWN);
            SendMouse(MOUSEEVENTF_LEFTUP);
            break;
        case DoubleClick: {
            INPUT in[4]{};
            const DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
            for (int i = 0; i < 4; ++i) {
                in[i].type = INPUT_MOUSE;
                in[i].mi.dwFlags = flags[i];
            }
            ::SendInput(4, in, sizeof in[0]);
            break;
        }
        case Space: rig::PressKey(VK_SPACE); break;
        }
    }
};

// Which frame (0..3) the captured pixels are exactly, or -1.
int MatchingFrame(const std::vector<COLORREF>& shot, const std::vector<COLORREF> (&looks)[4])
{
    for (int f = 0; f < 4; ++f)
        if (shot == looks[f])
            return f;
    return -1;
}

TEST_P(SkinButtonLooks, FollowsTheScenario)
{
    const Scenario& s = GetParam();
    MakeButton(s.strip);
    std::vector<COLORREF> looks[4];
    for (int f = 0; f < 4; ++f)
        looks[f] = ExpectedLook(s.strip, f);
    int stepNo = 0;
    for (const Step& step : s.steps) {
        ++stepNo;
        Do(step.action);
        int shown = -1;
        const bool reached = WaitFor(host.Get(), [&] {
            shown = MatchingFrame(Capture(hwnd), looks);
            return shown == step.frame && button.IsHovered() == step.hovered && host.clicks == step.clicks &&
                   host.doubleClicks == step.doubleClicks;
        });
        ASSERT_TRUE(reached) << "step " << stepNo << ": shows frame " << shown << " (want " << step.frame
                             << "), hovered " << button.IsHovered() << ", clicks " << host.clicks << "/"
                             << host.doubleClicks;
    }
}

const Scenario kScenarios[] = {
    {"MouseLooks",
     IDB_START_SKIN,
     {{None, 1, false, 0, 0},
      {MoveOn, 2, true, 0, 0},
      {Press, 3, true, 0, 0},
      {Release, 2, true, 1, 0},
      {MoveOff, 1, false, 1, 0}}},
    // A greyed button keeps frame 0 under the mouse, ignores the click, but the space bar still clicks it.
    {"GreyedIgnoresTheMouseNotTheSpaceBar",
     IDB_START_SKIN,
     {{Grey, 0, false, 0, 0},
      {MoveOn, 0, true, 0, 0},
      {Click, 0, true, 0, 0},
      {MoveOff, 0, false, 0, 0},
      {MoveOn, 0, true, 0, 0},
      {Space, 0, true, 1, 0},
      {Ungrey, 2, true, 1, 0}}},
    {"DoubleClickIsOneClick",
     IDB_CANCEL_SKIN,
     {{MoveOn, 2, true, 0, 0}, {DoubleClick, 2, true, 1, 1}, {MoveOff, 1, false, 1, 1}}},
    {"GreyedDoubleClickIsNone",
     IDB_CANCEL_SKIN,
     {{Grey, 0, false, 0, 0}, {MoveOn, 0, true, 0, 0}, {DoubleClick, 0, true, 0, 1}, {MoveOff, 0, false, 0, 1}}},
    // Key-coloured pixels show the parent's pattern; frames whose keys differ must not show the previous look.
    {"KeyColourShowsTheParent",
     IDB_TEST_KEYED,
     {{None, 1, false, 0, 0},
      {MoveOn, 2, true, 0, 0},
      {Press, 3, true, 0, 0},
      {Release, 2, true, 1, 0},
      {Grey, 0, true, 1, 0},
      {Ungrey, 2, true, 1, 0},
      {MoveOff, 1, false, 1, 0}}},
};

INSTANTIATE_TEST_SUITE_P(Real, SkinButtonLooks, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& row) { return std::string(row.param.name); });

// --- GDI objects ------------------------------------------------------------------------------------------------

// How many more GDI objects the process can create right now (all of them released again).
int FreeGdiSlots()
{
    std::vector<win::Bitmap> probe;
    while (probe.size() < 200000) {
        win::Bitmap b(::CreateBitmap(1, 1, 1, 1, nullptr));
        if (!b)
            break;
        probe.push_back(std::move(b));
    }
    return static_cast<int>(probe.size());
}

// GetGuiResources always answers 0 under Wine, so the handle table is filled up to a few hundred free slots: a
// cycle that leaks even one object then shows as fewer free slots afterwards, and once the slots run out, as
// draws that fail and wrong pixels.
TEST_F(SkinButtonWindow, DrawsErasesAndLookChangesKeepTheGdiCountFlat)
{
    const int kCycles = 10000;
    const size_t kSpare = 300;
    MakeButton(IDB_TEST_KEYED);
    CKbcBmp sprite;
    sprite.LoadFromResource(IDB_TEST_KEYED);
    Surface target(20, 12);
    const StripPixels strip(IDB_TEST_KEYED);
    auto cycle = [&](int i) {
        button.SetGreyed(i % 3 == 0);
        ::UpdateWindow(hwnd); // the real paint path: erase, then owner drawing reflected by the host
        sprite.DrawFrameTransparent(target.Dc(), i % 4, 0, 0, kKey);
    };
    for (int i = 0; i < 20; ++i) // lets the system set up whatever it keeps for painting these windows
        cycle(i);

    const DWORD countBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    std::vector<win::Bitmap> filler;
    while (filler.size() < 200000) {
        win::Bitmap b(::CreateBitmap(1, 1, 1, 1, nullptr));
        if (!b)
            break;
        filler.push_back(std::move(b));
    }
    filler.resize(filler.size() > kSpare ? filler.size() - kSpare : 0);
    const int freeBefore = FreeGdiSlots();
    for (int i = 0; i < kCycles; ++i)
        cycle(i);
    const int freeAfter = FreeGdiSlots();

    button.SetGreyed(false);
    ::UpdateWindow(hwnd);
    const bool buttonRight = Capture(hwnd) == ExpectedLook(IDB_TEST_KEYED, skin::kFrameNormal);
    target.Fill([](int, int) { return RGB(9, 9, 9); });
    sprite.DrawFrameTransparent(target.Dc(), 0, 0, 0, kKey);
    const bool spriteRight = target.At(0, 0) == strip.At(0, 0) && target.At(19, 11) == strip.At(19, 11);
    filler.clear();
    const DWORD countAfter = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);

    EXPECT_EQ(freeAfter, freeBefore);
    EXPECT_TRUE(buttonRight);
    EXPECT_TRUE(spriteRight);
    if (countBefore != 0) {
        EXPECT_EQ(countAfter, countBefore);
    }
}

// --- Tooltip and cursor -------------------------------------------------------------------------------------------

std::string ToolText(HWND tooltip, HWND button)
{
    char text[256] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = ::GetParent(button);
    info.uId = reinterpret_cast<UINT_PTR>(button);
    info.lpszText = text;
    ::SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

int CountToolTips(HWND owner)
{
    struct Count {
        HWND owner;
        int n;
    } count{owner, 0};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Count*>(p);
            char cls[64] = {};
            ::GetClassNameA(w, cls, sizeof cls);
            if (::GetWindow(w, GW_OWNER) == c->owner && ::lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0)
                ++c->n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

// The tooltip is made when the pointer first enters the button, and that first move alone brings it up: it is
// handed the move that made it.
TEST_F(SkinButtonWindow, ToolTipIsMadeOnTheFirstEntryAndShowsTheTextWhileTheMouseRests)
{
    MakeButton(IDB_START_SKIN);
    button.SetToolTipText("old");
    button.SetToolTipText(kStartTip); // a second call changes the text
    EXPECT_EQ(button.GetToolTip(), nullptr);
    EXPECT_EQ(CountToolTips(host.Get()), 0);

    ASSERT_TRUE(MovePointer(host.Get(), OnButton(6, 5)));
    HWND tip = nullptr;
    EXPECT_TRUE(WaitFor(host.Get(), [&] { return (tip = button.GetToolTip()) && ::IsWindowVisible(tip); }));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(CountToolTips(host.Get()), 1);
    EXPECT_EQ(ToolText(tip, hwnd), kStartTip);
    TTTOOLINFOA current{};
    current.cbSize = TTTOOLINFOA_V2_SIZE;
    EXPECT_TRUE(::SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&current)));
    EXPECT_EQ(current.uId, reinterpret_cast<UINT_PTR>(hwnd));

    button.SetToolTipText("new"); // once made, the one tooltip takes the new text
    EXPECT_EQ(ToolText(tip, hwnd), "new");
    EXPECT_EQ(CountToolTips(host.Get()), 1);
}

TEST_F(SkinButtonWindow, SetCursorShowsTheHandAndIsHandled)
{
    MakeButton(IDB_START_SKIN);
    ::SetCursor(nullptr);
    const LRESULT handled = ::SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(handled);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_HAND));
}

} // namespace
