#include "DataExchange.h"

#include "Gbk.h"
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
        ::SetWindowTextW(item, WideFromGbkWholeCharacters(text).c_str());
        return;
    }
    std::wstring wide(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    wide.resize(static_cast<size_t>(::GetWindowTextW(item, &wide[0], static_cast<int>(wide.size()))));
    text = GbkFromWide(wide);
}

} // namespace win
