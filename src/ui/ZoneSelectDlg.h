// CZoneSelectDlg: the launcher's whole user interface. A fixed-size skinned window with the list of zone titles, a
// read-only field showing the chosen title, and the Start and Cancel skin buttons. It owns the zone catalogue for
// the length of the run; Start hands over to the patch client and ends the run.
#pragma once

#include <string>

#include "catalogue/ZoneCatalogue.h"
#include "skin/KbcBmp.h"
#include "skin/SkinButton.h"
#include "win/AccessibleName.h"
#include "win/Dialog.h"
#include "win/ListBox.h"
#include "win/MessageTable.h"

class CZoneSelectDlg : public win::Dialog {
public:
    CZoneSelectDlg();

protected:
    void DoDataExchange(win::DataExchange& dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Enter and Escape, 取消 and the close box; they do nothing once Start is under way.
    void OnOK() override;
    void OnCancel() override;

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    // Both a change of selection and a double click in the list: only selects, never starts.
    LRESULT OnZoneListSelect(WPARAM, LPARAM);
    // Start: hands the selected zone's servers to the patch client and ends the launcher.
    LRESULT OnStartGame(WPARAM, LPARAM);
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM);
    // The busy pointer over the window while Start waits for Temp.
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    // The system sets up the keyboard cues (UIS_INITIALIZE) or changes them: (action | elements, 0).
    LRESULT OnChangeUiState(WPARAM wParam, LPARAM);
    // A system setting changed: (SPI_ value of the change, section name or null). The keyboard cues setting turned
    // on shows the cues; other caption or border sizes lay the window out again.
    LRESULT OnSettingChange(WPARAM wParam, LPARAM);
    // The window moved to a monitor of another scale: (new DPI, suggested window rectangle or null).
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // The window is about to move to a monitor of another scale: (new DPI, in and out: the window's size).
    LRESULT OnGetDpiScaledSize(WPARAM wParam, LPARAM lParam);

    // Lays the window out, and gives it its pictures, icons and font, for dpi; centred in `around` when given,
    // otherwise on its monitor's work area.
    void ApplyDpi(int dpi, const RECT* around);
    void LayOutInPixels(int dpi, const RECT* around);
    // The window's size, frame included, with the layout of dpi (the frame at dpi where the system can tell it).
    SIZE WindowSizeFor(int dpi) const;
    void LoadPictures(int dpi);
    void SetIcons(int dpi);
    void SetTextFont(int dpi);
    // The player moved with the keyboard, or the system shows the cues: the focused button shows its focus cue from
    // now on.
    void ShowFocusCues();
    // Runs the promotion of Temp's waiting files, asking the player for the rights to change the installation
    // where they are missing. Between its passes, and while the run with those rights goes on, the window answers
    // its messages, disabled and with the busy pointer, and is enabled again when they are over.
    bool PrepareInstallDirectoryAnswering();

    static const win::MessageEntry<CZoneSelectDlg> s_messageTable[];

    // Declared in this order on purpose: they are released in the reverse order when the dialog is destroyed.
    ZoneCatalogue m_zones;
    int m_nSelectedZone = -1;
    win::ListBox m_list;
    std::string m_strSelectedZone;
    HICON m_hIcon;
    CKbcBmp m_background;
    CSkinButton m_btnStart;
    CSkinButton m_btnCancel;

    // The display scale the window is laid out for, and what it needs beyond the 96-DPI window: the list's and the
    // field's font at that scale (when the dialog's own font is for another) and the icons drawn for it.
    int m_nDpi = 96;
    win::Font m_font;
    win::Icon m_bigIcon;
    win::Icon m_smallIcon;

    // The field, attached for its name for screen readers (its label is drawn in the background).
    win::NamedControl m_field;
    bool m_bFocusCues = false;
    // Start is under way (it ends the launcher): no second start, and no other way out of the window meanwhile.
    bool m_bStarting = false;
    // The promotion is waiting between passes: the window is disabled and shows the busy pointer.
    bool m_bWaiting = false;
};
