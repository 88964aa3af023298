#include "ZoneSelectDlg.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "LauncherTexts.h"
#include "WindowLayout.h"
#include "catalogue/InstallDirectory.h"
#include "handoff/ElevatedPromotion.h"
#include "handoff/PatchClient.h"
#include "handoff/PendingUpdates.h"
#include "resource.h"
#include "win/Dpi.h"
#include "win/GdiHandles.h"
#include "win/MessageWait.h"
#include "win/StartupTrace.h"
#include "win/WaitingWindow.h"

namespace {

// The strips' transparent colour, pure blue. No pixel of the launcher's strips has it.
const COLORREF kSkinKeyColour = 0x00FF0000;

// The colour of the list's area in the pictures, where the backgrounds drawn for other scales leave a hole (the
// list control covers it).
const std::uint32_t kListPaper = 0x00FAF8F2;

// The pictures are drawn for dialog units of 6 x 12 pixels; the window is laid out in those pixels, at the
// window's scale, whatever font the dialog manager picked.
void MoveTo(HWND control, const layout::Box& box)
{
    ::MoveWindow(control, box.x, box.y, box.width, box.height, FALSE);
}

void MoveCorner(HWND control, const layout::Box& box)
{
    ::SetWindowPos(control, nullptr, box.x, box.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A strip of the picture set, fitted to the button's frame size at the window's scale.
skin::PixelImage FittedStrip(int stripId, const layout::Box& button)
{
    return skin::ResampleStrip(skin::LoadResourcePixels(static_cast<UINT>(stripId)), skin::kFrameCount, button.width,
                               button.height, skin::PixelOf(kSkinKeyColour));
}

} // namespace

const win::MessageEntry<CZoneSelectDlg> CZoneSelectDlg::s_messageTable[] = {
    {WM_PAINT, 0, 0, &CZoneSelectDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, 0, &CZoneSelectDlg::OnQueryDragIcon},
    {WM_COMMAND, LBN_DBLCLK, IDC_ZONE_LIST, &CZoneSelectDlg::OnZoneListSelect},
    {WM_COMMAND, BN_CLICKED, IDC_START, &CZoneSelectDlg::OnStartGame},
    {WM_ERASEBKGND, 0, 0, &CZoneSelectDlg::OnEraseBkgnd},
    {WM_COMMAND, LBN_SELCHANGE, IDC_ZONE_LIST, &CZoneSelectDlg::OnZoneListSelect},
    {WM_DPICHANGED, 0, 0, &CZoneSelectDlg::OnDpiChanged},
    {WM_GETDPISCALEDSIZE, 0, 0, &CZoneSelectDlg::OnGetDpiScaledSize},
    {WM_SETCURSOR, 0, 0, &CZoneSelectDlg::OnSetCursor},
    {WM_CHANGEUISTATE, 0, 0, &CZoneSelectDlg::OnChangeUiState},
    {WM_SETTINGCHANGE, 0, 0, &CZoneSelectDlg::OnSettingChange},
};

CZoneSelectDlg::CZoneSelectDlg()
    : win::Dialog(IDD_ZONE_SELECT), m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON)))
{
}

void CZoneSelectDlg::DoDataExchange(win::DataExchange& dx)
{
    dx.Control(IDC_ZONE_LIST, m_list);
    dx.Text(IDC_SELECTED_ZONE, m_strSelectedZone);
    dx.Control(IDC_START, m_btnStart);
    dx.Control(IDCANCEL, m_btnCancel);
}

bool CZoneSelectDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return win::DispatchMessageTable(*this, s_messageTable, message, wParam, lParam, result) ||
           win::Dialog::OnWndMsg(message, wParam, lParam, result);
}

BOOL CZoneSelectDlg::OnInitDialog()
{
    win::StartupMark("dialog-created");
    win::Dialog::OnInitDialog();
    win::TakeOverDialogDpiScaling(m_hWnd);
    m_nDpi = win::WindowDpi(m_hWnd);
    LayOutInPixels(m_nDpi, nullptr);
    SetTextFont(m_nDpi);
    win::StartupMark("bound-and-laid-out");

    // Once, in the window's scale: under Wine each icon given to the window is made into the X window's icon.
    if (m_nDpi == layout::kBaseDpi) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    }
    SetIcons(m_nDpi);
    win::StartupMark("icons");

    LoadPictures(m_nDpi);
    m_btnStart.SetToolTipText(texts::kStartTip);
    m_btnCancel.SetToolTipText(texts::kCancelTip);
    win::StartupMark("pictures");

    m_list.SetAccessibleName(texts::kZoneListName);
    m_field.SubclassWindow(::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE));
    m_field.SetAccessibleName(texts::kSelectedZoneName);

    m_nSelectedZone = -1;
    m_btnStart.SetGreyed(true);
    // A player who has keyboard cues always shown (an accessibility setting) sees the focus cue from the first paint;
    // so does one whose cues the system set up as shown before the buttons were attached.
    BOOL alwaysCues = FALSE;
    if ((::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0) && alwaysCues) || m_bFocusCues)
        ShowFocusCues();

    wchar_t installDir[kInstallDirSize];
    LoadZoneCatalogue(m_zones, ReadInstallDirectory(installDir) ? installDir : nullptr);
    win::StartupMark("catalogue");
    if (m_zones.empty()) {
        MessageBox(texts::kCatalogueError);
        ::PostQuitMessage(0);
        return FALSE;
    }
    // The titles go in as the catalogue holds them (each NUL-terminated within its field), all in one fill.
    std::vector<const char*> titles;
    titles.reserve(m_zones.size());
    for (const ZoneInfo& zone : m_zones)
        titles.push_back(zone.title);
    m_list.AddStrings(titles.data(), titles.size());
    win::StartupMark("list-filled");
    return TRUE;
}

void CZoneSelectDlg::ApplyDpi(int dpi, const RECT* around)
{
    m_nDpi = dpi;
    LayOutInPixels(dpi, around);
    SetTextFont(dpi);
    SetIcons(dpi);
    LoadPictures(dpi);
}

void CZoneSelectDlg::LayOutInPixels(int dpi, const RECT* around)
{
    const layout::WindowLayout at = layout::LayoutForDpi(dpi);
    const SIZE outer = WindowSizeFor(dpi);
    int width = outer.cx;
    int height = outer.cy;

    // Centred on the work area of the window's monitor, as the dialog manager does for a template at 0,0; after a
    // change of scale, centred on the rectangle the system suggests.
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (around)
        area = *around;
    else if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        area = monitor.rcWork;
    const auto place = [&] {
        const int x = area.left + (area.right - area.left - width) / 2;
        const int y = area.top + (area.bottom - area.top - height) / 2;
        ::SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place();
    // Where the frame's size at the new scale was only an estimate, the client area tells what is missing.
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (client.right != at.client.width || client.bottom != at.client.height) {
        width += at.client.width - client.right;
        height += at.client.height - client.bottom;
        place();
    }

    MoveTo(m_list.GetSafeHwnd(), at.list);
    MoveTo(::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE), at.field);
    MoveCorner(m_btnStart.GetSafeHwnd(), at.start);
    MoveCorner(m_btnCancel.GetSafeHwnd(), at.cancel);
}

void CZoneSelectDlg::LoadPictures(int dpi)
{
    const layout::PictureSet& set = layout::PictureSetFor(dpi);
    const layout::WindowLayout drawn = layout::LayoutForDpi(set.dpi);
    const skin::HoleLayout hole{drawn.background.width, drawn.background.height, drawn.list.x,
                                drawn.list.y,           drawn.list.width,        drawn.list.height};
    if (set.dpi == dpi) {
        // The set drawn for this scale: each picture decoded straight into its bitmap, the background put together
        // around the list's hole in its own.
        m_btnStart.SetSkin(static_cast<UINT>(set.startStrip), kSkinKeyColour);
        m_btnCancel.SetSkin(static_cast<UINT>(set.cancelStrip), kSkinKeyColour);
        if (set.backgroundSides)
            m_background.LoadAroundHole(static_cast<UINT>(set.backgroundRows), static_cast<UINT>(set.backgroundSides),
                                        hole, kListPaper);
        else
            m_background.LoadFromResource(static_cast<UINT>(set.backgroundRows));
        return;
    }
    // The nearest larger set scaled down once, here.
    const layout::WindowLayout at = layout::LayoutForDpi(dpi);
    m_btnStart.SetSkin(FittedStrip(set.startStrip, at.start), kSkinKeyColour);
    m_btnCancel.SetSkin(FittedStrip(set.cancelStrip, at.cancel), kSkinKeyColour);
    skin::PixelImage picture = skin::LoadResourcePixels(static_cast<UINT>(set.backgroundRows));
    if (set.backgroundSides)
        picture = skin::JoinAroundHole(picture, skin::LoadResourcePixels(static_cast<UINT>(set.backgroundSides)),
                                       hole.width, hole.height, hole.holeX, hole.holeY, hole.holeWidth, hole.holeHeight,
                                       kListPaper);
    m_background.LoadFromPixels(skin::Resample(picture, at.background.width, at.background.height));
}

void CZoneSelectDlg::SetIcons(int dpi)
{
    if (dpi == layout::kBaseDpi && !m_bigIcon && !m_smallIcon)
        return;
    win::Icon big, small;
    if (dpi != layout::kBaseDpi) {
        const HINSTANCE module = ::GetModuleHandleW(nullptr);
        const int bigSize = layout::Scale(32, dpi), smallSize = layout::Scale(16, dpi);
        big.Reset(static_cast<HICON>(
            ::LoadImageW(module, MAKEINTRESOURCEW(IDI_APP_ICON_SCALED), IMAGE_ICON, bigSize, bigSize, 0)));
        small.Reset(static_cast<HICON>(
            ::LoadImageW(module, MAKEINTRESOURCEW(IDI_APP_ICON_SCALED), IMAGE_ICON, smallSize, smallSize, 0)));
    }
    // The window gets its new icons before the old ones are destroyed.
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big.Get() : m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small.Get() : m_hIcon));
    m_bigIcon = std::move(big);
    m_smallIcon = std::move(small);
}

void CZoneSelectDlg::SetTextFont(int dpi)
{
    // The dialog's font is made for the system's scale; at another scale the list and the field get the same font
    // made for the window's.
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (!dialogFont)
        dialogFont = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    const int fontDpi = win::SystemDpi();
    win::Font scaled;
    LOGFONTW font{};
    if (dpi != fontDpi && ::GetObjectW(dialogFont, sizeof font, &font)) {
        font.lfHeight = ::MulDiv(font.lfHeight, dpi, fontDpi);
        font.lfWidth = ::MulDiv(font.lfWidth, dpi, fontDpi);
        scaled.Reset(::CreateFontIndirectW(&font));
    }
    if (!scaled && !m_font)
        return; // the controls keep the dialog's font, which is right for this scale
    const WPARAM use = reinterpret_cast<WPARAM>(scaled ? scaled.Get() : dialogFont);
    ::SendMessageW(m_list.GetSafeHwnd(), WM_SETFONT, use, FALSE);
    ::SendMessageW(::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE), WM_SETFONT, use, FALSE);
    m_font = std::move(scaled);
}

BOOL CZoneSelectDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && !m_bFocusCues) {
        switch (msg->wParam) {
        case VK_TAB:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: ShowFocusCues(); break;
        default: break;
        }
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        const HWND focus = ::GetFocus();
        if (focus && (focus == ::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE) || focus == m_list.GetSafeHwnd()))
            return TRUE;
    }
    return win::Dialog::PreTranslateMessage(msg);
}

void CZoneSelectDlg::ShowFocusCues()
{
    m_bFocusCues = true;
    // The dialog manager of Windows does the same on these keys, and the system then tells every control. Wine 8
    // keeps no such state and tells none, so the buttons are also told here.
    const WPARAM show = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
    ::SendMessageW(m_hWnd, WM_CHANGEUISTATE, show, 0);
    ::SendMessageW(m_btnStart.GetSafeHwnd(), WM_UPDATEUISTATE, show, 0);
    ::SendMessageW(m_btnCancel.GetSafeHwnd(), WM_UPDATEUISTATE, show, 0);
}

// The dialog manager of Windows asks for the cues to be set up when the dialog is made: shown when it was started
// from the keyboard or the setting is on. The system's answer is read back once it has applied it. (Wine 8 neither
// asks nor keeps the state, so there the cues stay as the setting and the keys make them.)
LRESULT CZoneSelectDlg::OnChangeUiState(WPARAM wParam, LPARAM)
{
    const LRESULT result = Default();
    if (LOWORD(wParam) == UIS_INITIALIZE && !m_bFocusCues &&
        !(::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS))
        ShowFocusCues();
    return result;
}

LRESULT CZoneSelectDlg::OnSettingChange(WPARAM wParam, LPARAM)
{
    const LRESULT result = Default();
    if (wParam == SPI_SETKEYBOARDCUES) {
        BOOL alwaysCues = FALSE;
        if (!m_bFocusCues && ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0) && alwaysCues)
            ShowFocusCues();
    } else if (wParam == SPI_SETNONCLIENTMETRICS) {
        // Another caption or border size: the frame grows or shrinks around the same client area, on the same centre.
        RECT around{};
        if (!::IsIconic(m_hWnd) && ::GetWindowRect(m_hWnd, &around))
            LayOutInPixels(m_nDpi, &around);
    }
    return result;
}

LRESULT CZoneSelectDlg::OnPaint(WPARAM, LPARAM)
{
    if (!::IsIconic(m_hWnd))
        return Default();
    win::PaintDC dc(m_hWnd);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon);
    return 0;
}

LRESULT CZoneSelectDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT CZoneSelectDlg::OnZoneListSelect(WPARAM, LPARAM)
{
    // The row's position is its zone's position in the catalogue (the list is filled in catalogue order and not
    // sorted), so the title is taken from the catalogue, byte for byte: the list's own text is a conversion that
    // cannot hold a title cut inside a character. No current selection reads as an empty text, which no zone has as
    // its title.
    const int row = m_list.GetCurSel();
    m_strSelectedZone = row >= 0 && static_cast<size_t>(row) < m_zones.size() ? m_zones[row].title : "";
    const int found = FindZoneByTitle(m_zones, m_strSelectedZone.c_str());
    if (found == kZoneNotFound) {
        MessageBox(texts::kCatalogueError);
        return 0;
    }
    m_nSelectedZone = found;
    m_btnStart.SetGreyed(false);
    UpdateData(false);
    return 0;
}

void CZoneSelectDlg::OnOK()
{
    if (!m_bStarting)
        win::Dialog::OnOK();
}

void CZoneSelectDlg::OnCancel()
{
    if (!m_bStarting)
        win::Dialog::OnCancel();
}

LRESULT CZoneSelectDlg::OnStartGame(WPARAM, LPARAM)
{
    if (m_bStarting)
        return 0;
    if (m_nSelectedZone < 0) {
        MessageBox(texts::kChooseZone);
        return 0;
    }
    m_bStarting = true;
    // The run ends however Start ends, an exception included (the window procedure swallows it): nothing may leave
    // the launcher open with no way out, as Cancel and the close box do nothing once Start is under way.
    struct EndsTheRun {
        ~EndsTheRun() { ::PostQuitMessage(0); }
    } const endsTheRun;
    const PatchClientArguments arguments = BuildPatchClientArguments(m_zones[m_nSelectedZone]);
    if (!PrepareInstallDirectoryAnswering())
        MessageBox(texts::kPatchFailed);
    // The player is told when the patch client cannot be started at all; the launcher ends either way.
    PatchClientStartOptions start;
    start.owner = m_hWnd;
    if (const DWORD error = StartPatchClient(arguments, start))
        MessageBox(texts::kCannotStartPatchClient, error);
    return 0;
}

bool CZoneSelectDlg::PrepareInstallDirectoryAnswering()
{
    // Only a pass that fails waits (a file held open by another program, a sub-folder in Temp), and the run with the
    // rights the player consents to give: the usual start, with nothing or only movable files waiting, never
    // disables the window. However the wait ends, the window is enabled again.
    win::WaitingWindow waiting(m_hWnd, m_bWaiting);
    PromotionOptions promotion;
    promotion.wait = [&waiting](unsigned ms) { waiting.Wait(ms); };
    promotion.askForRights = [this, &waiting](DWORD& status) {
        // Closed to input from the consent prompt on: the prompt is the player's to answer, then the run's wait.
        waiting.Begin();
        ConsentOptions consent;
        consent.owner = m_hWnd;
        consent.waitFor = [&waiting](HANDLE process) { waiting.Wait(kConsentedRunMs, process); };
        return PromoteWithConsent(consent, status);
    };
    return PrepareInstallDirectory(promotion);
}

LRESULT CZoneSelectDlg::OnSetCursor(WPARAM, LPARAM)
{
    if (!m_bWaiting)
        return Default();
    // A disabled window gets this for the pointer over any of its parts; answering it also keeps a click from
    // beeping.
    ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
    return TRUE;
}

LRESULT CZoneSelectDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    const int dpi = HIWORD(wParam);
    if (dpi <= 0 || dpi == m_nDpi)
        return 0;
    // The controls draw nothing while the window changes; then it is drawn once, complete at the new scale. (Not
    // the window itself: turning its drawing back on would show it, were it hidden.)
    const HWND controls[] = {m_list.GetSafeHwnd(), ::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE), m_btnStart.GetSafeHwnd(),
                             m_btnCancel.GetSafeHwnd()};
    for (const HWND control : controls)
        ::SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    ApplyDpi(dpi, reinterpret_cast<const RECT*>(lParam));
    for (const HWND control : controls)
        ::SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    return 0;
}

// Dragged onto a monitor of another scale, the window will take the size of its layout there: told now, the
// system places it so that the pointer keeps its spot on the window (a proportional guess would not, the layout
// is not scaled in proportion).
LRESULT CZoneSelectDlg::OnGetDpiScaledSize(WPARAM wParam, LPARAM lParam)
{
    auto* size = reinterpret_cast<SIZE*>(lParam);
    const int dpi = static_cast<int>(wParam);
    if (!size || dpi <= 0)
        return FALSE;
    *size = WindowSizeFor(dpi);
    return TRUE;
}

SIZE CZoneSelectDlg::WindowSizeFor(int dpi) const
{
    const layout::WindowLayout at = layout::LayoutForDpi(dpi);
    const SIZE frame = win::NonClientExtent(m_hWnd, dpi);
    return {frame.cx + at.client.width, frame.cy + at.client.height};
}

LRESULT CZoneSelectDlg::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    m_background.Draw(reinterpret_cast<HDC>(wParam), 0, 0);
    win::StartupMark("background-drawn");
    return TRUE;
}
