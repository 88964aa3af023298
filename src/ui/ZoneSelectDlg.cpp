#include "ZoneSelectDlg.h"

#include <cstdio>

#include "LauncherTexts.h"
#include "catalogue/InstallDirectory.h"
#include "handoff/PatchClient.h"
#include "handoff/PendingUpdates.h"
#include "resource.h"
#include "win/GdiHandles.h"

namespace {

// The strips' transparent colour, pure blue. No pixel of the launcher's strips has it.
const COLORREF kSkinKeyColour = 0x00FF0000;

// The pictures are drawn for dialog units of 6 x 12 pixels; the window is laid out in those pixels whatever font
// the dialog manager picked.
const SIZE kClientSize = {232, 525};
const RECT kListRect = {25, 84, 25 + 186, 84 + 367};
const RECT kFieldRect = {93, 457, 93 + 111, 457 + 18};
const POINT kStartCorner = {28, 490};
const POINT kCancelCorner = {132, 490};

void MoveTo(HWND control, const RECT& rc)
{
    ::MoveWindow(control, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
}

void MoveCorner(HWND control, POINT corner)
{
    ::SetWindowPos(control, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

const win::MessageEntry<CZoneSelectDlg> CZoneSelectDlg::s_messageTable[] = {
    {WM_PAINT, 0, 0, &CZoneSelectDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, 0, &CZoneSelectDlg::OnQueryDragIcon},
    {WM_COMMAND, LBN_DBLCLK, IDC_ZONE_LIST, &CZoneSelectDlg::OnZoneListSelect},
    {WM_COMMAND, BN_CLICKED, IDC_START, &CZoneSelectDlg::OnStartGame},
    {WM_ERASEBKGND, 0, 0, &CZoneSelectDlg::OnEraseBkgnd},
    {WM_COMMAND, LBN_SELCHANGE, IDC_ZONE_LIST, &CZoneSelectDlg::OnZoneListSelect},
};

CZoneSelectDlg::CZoneSelectDlg()
    : win::Dialog(IDD_ZONE_SELECT),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON)))
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
    win::Dialog::OnInitDialog();
    LayOutInPixels();

    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_btnStart.SetSkin(IDB_START_SKIN, kSkinKeyColour);
    m_btnStart.SetToolTipText(texts::kStartTip);
    m_btnCancel.SetSkin(IDB_CANCEL_SKIN, kSkinKeyColour);
    m_btnCancel.SetToolTipText(texts::kCancelTip);
    m_background.LoadFromResource(IDB_BACKGROUND);

    m_nSelectedZone = -1;
    m_btnStart.SetGreyed(true);

    wchar_t installDir[kInstallDirSize];
    LoadZoneCatalogue(m_zones, ReadInstallDirectory(installDir) ? installDir : nullptr);
    if (m_zones.empty()) {
        MessageBox(texts::kCatalogueError);
        ::PostQuitMessage(0);
        return FALSE;
    }
    for (const ZoneInfo& zone : m_zones) {
        char line[sizeof zone.title];
        std::snprintf(line, sizeof line, "%s", zone.title);
        m_list.AddString(line);
    }
    return TRUE;
}

void CZoneSelectDlg::LayOutInPixels()
{
    RECT window, client;
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    const int width = (window.right - window.left) - client.right + kClientSize.cx;
    const int height = (window.bottom - window.top) - client.bottom + kClientSize.cy;

    // Centred on the work area of the screen, as the dialog manager does for a template at 0,0.
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    MoveTo(m_list.GetSafeHwnd(), kListRect);
    MoveTo(::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE), kFieldRect);
    MoveCorner(m_btnStart.GetSafeHwnd(), kStartCorner);
    MoveCorner(m_btnCancel.GetSafeHwnd(), kCancelCorner);
}

BOOL CZoneSelectDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        const HWND focus = ::GetFocus();
        if (focus && (focus == ::GetDlgItem(m_hWnd, IDC_SELECTED_ZONE) || focus == m_list.GetSafeHwnd()))
            return TRUE;
    }
    return win::Dialog::PreTranslateMessage(msg);
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

LRESULT CZoneSelectDlg::OnStartGame(WPARAM, LPARAM)
{
    if (m_nSelectedZone < 0) {
        MessageBox(texts::kChooseZone);
        return 0;
    }
    const PatchClientArguments arguments = BuildPatchClientArguments(m_zones[m_nSelectedZone]);
    if (!PrepareInstallDirectory())
        MessageBox(texts::kPatchFailed);
    StartPatchClient(arguments); // a patch client that cannot be started is not reported
    ::PostQuitMessage(0);
    return 0;
}

LRESULT CZoneSelectDlg::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    m_background.Draw(reinterpret_cast<HDC>(wParam), 0, 0);
    return TRUE;
}
