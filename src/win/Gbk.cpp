#include "Gbk.h"

#include <windows.h>

namespace win {

WideText WideFromGbk(std::string_view gbk)
{
    WideText wide(1, L'\0');
    if (gbk.empty())
        return wide;
    const int length = static_cast<int>(gbk.size());
    const int n = ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, nullptr, 0);
    if (n <= 0)
        return wide;
    wide.assign(static_cast<size_t>(n) + 1, L'\0');
    ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, wide.data(), n);
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
    std::string gbk;
    if (wide.empty())
        return gbk;
    const int length = static_cast<int>(wide.size());
    const int n = ::WideCharToMultiByte(kGbkCodePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return gbk;
    gbk.resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(kGbkCodePage, 0, wide.data(), length, &gbk[0], n, nullptr, nullptr);
    return gbk;
}

} // namespace win
