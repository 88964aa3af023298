#include "Gbk.h"

#include <windows.h>

#include "text/CodePage936.h"

namespace win {

WideText WideFromGbk(std::string_view gbk)
{
    const std::vector<char16_t> utf16 = text::Utf16FromGbk(gbk);
    WideText wide(utf16.begin(), utf16.end());
    wide.push_back(L'\0');
    return wide;
}

WideText WideFromGbkWholeCharacters(std::string_view gbk)
{
    size_t whole = 0;
    while (whole < gbk.size()) {
        const size_t step = ::IsDBCSLeadByteEx(kGbkCodePage, static_cast<BYTE>(gbk[whole])) ? 2 : 1;
        if (whole + step > gbk.size())
            break;
        whole += step;
    }
    return WideFromGbk(gbk.substr(0, whole));
}

std::string GbkFromWide(std::wstring_view wide)
{
    return text::GbkFromUtf16(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
}

} // namespace win
