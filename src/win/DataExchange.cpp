#include "DataExchange.h"

#include "Window.h"

namespace win {

void DataExchange::Control(int id, Window& control) const
{
    if (!control.GetSafeHwnd())
        control.SubclassWindow(::GetDlgItem(m_hDlg, id));
}

void DataExchange::Text(int id, std::string& text) const
{
    HWND item = ::GetDlgItem(m_hDlg, id);
    if (!m_bSaveAndValidate) {
        ::SetWindowTextA(item, text.c_str());
        return;
    }
    const int length = ::GetWindowTextLengthA(item);
    text.assign(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(item, &text[0], length + 1)));
}

} // namespace win
