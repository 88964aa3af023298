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
    return WideFromGbk(gbk.substr(0, text::WholeGbkCharacters(gbk)));
}

std::string GbkFromWide(std::wstring_view wide)
{
    return text::GbkFromUtf16(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
}

} // namespace win
