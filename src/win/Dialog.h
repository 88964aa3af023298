// Dialog: a dialog window created from a template of the program's resources and run modally by our own message
// loop. Each message is offered first to the pre-translation walk (the window under the message and its parents),
// then to the dialog manager, then dispatched. The run ends with EndDialog or with a quit request.
#pragma once

#include <windows.h>

#include "DataExchange.h"
#include "Window.h"

namespace win {

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr) noexcept : m_nTemplateId(templateId), m_hParent(parent) {}

    // Creates the dialog and runs it until EndDialog or a quit request; the window is destroyed before returning.
    // Returns the value given to EndDialog, or -1 when the dialog could not be created or the run was ended by a
    // quit request.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // A message box owned by the dialog: OK button only, exclamation icon, captioned with the program's name (the
    // executable's file name without extension). The text is bytes of code page 936.
    int MessageBox(const char* text) const;
    // The same, the text followed by the system's own words for an error code, in the user's language as the system
    // gives them (never through code page 936).
    int MessageBox(const char* text, DWORD systemError) const;

protected:
    // Performs the data exchange into the controls; true gives the focus to the first tab stop.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);
    // Exchanges data in the direction given: true reads the controls into the members.
    bool UpdateData(bool saveAndValidate = true);

    virtual void OnOK();
    virtual void OnCancel();

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nTemplateId;
    HWND m_hParent;
    bool m_bRunning = false;
    INT_PTR m_nModalResult = -1;
};

// The program's name for captions: the executable's file name without its extension.
const wchar_t* AppName();

} // namespace win
