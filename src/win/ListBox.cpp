#include "ListBox.h"

#include "Gbk.h"

namespace win {

int ListBox::AddString(const char* text) const
{
    const WideText wide = WideFromGbkWholeCharacters(text);
    return static_cast<int>(::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.data())));
}

int ListBox::GetCurSel() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCURSEL, 0, 0));
}

int ListBox::GetCount() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0));
}

} // namespace win
