// DataExchange: moves a dialog's member data into its controls, or back, one control at a time and in the order the
// dialog's DoDataExchange names them.
#pragma once

#include <windows.h>

#include <string>

namespace win {

class Window;

class DataExchange {
public:
    DataExchange(HWND dialog, bool saveAndValidate) noexcept : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // Binds a control object to the dialog's control window the first time; later exchanges leave it bound.
    void Control(int id, Window& control) const;
    // Writes the text into the control, or reads the control's text back (bytes of code page 936, whatever the
    // system's code page).
    void Text(int id, std::string& text) const;

    bool IsSaving() const noexcept { return m_bSaveAndValidate; }

private:
    HWND m_hDlg;
    bool m_bSaveAndValidate;
};

} // namespace win
