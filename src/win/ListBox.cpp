#include "ListBox.h"

#include <cstring>

#include "Gbk.h"

namespace win {

int ListBox::AddString(const char* text) const
{
    const WideText wide = WideFromGbkWholeCharacters(text);
    return static_cast<int>(::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.data())));
}

void ListBox::AddStrings(const char* const* texts, size_t count) const
{
    // A GBK text never has more UTF-16 units than bytes: its bytes plus the terminator, in wide characters, are
    // enough for each.
    size_t bytes = 0;
    for (size_t i = 0; i < count; ++i)
        bytes += (std::strlen(texts[i]) + 1) * sizeof(wchar_t);
    ::SendMessageW(m_hWnd, LB_INITSTORAGE, count, static_cast<LPARAM>(bytes));
    ::SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; i < count; ++i)
        AddString(texts[i]);
    ::SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
    // Turning drawing back on does not draw: the list is invalidated once, with everything in it.
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
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
