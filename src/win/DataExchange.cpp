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
        ::SetWindowTextW(item, WideFromGbkWholeCharacters(text).data());
        return;
    }
    WideText wide(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    const int length = ::GetWindowTextW(item, wide.data(), static_cast<int>(wide.size()));
    text = GbkFromWide(std::wstring_view(wide.data(), static_cast<size_t>(length > 0 ? length : 0)));
}

} // namespace win
