#include "text/CodePage936.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#include <cstring>
#endif

namespace text {

namespace {

bool IsLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

#ifndef _WIN32
// glibc's CP936 leaves codes unassigned that the platform maps into the private use area; the host maps them the same
// way, so both read every GBK character alike:
// - the user-defined areas AAA1-AFFE, F8A1-FEFE and A140-A7A0, in this order, from U+E000, row by row;
// - the other unassigned codes below, in code order, from U+E766 to U+E864;
// - the single byte 0xFF, U+F8F5.
struct CodeRun {
    unsigned first;
    unsigned last;
};
const CodeRun kUnassignedRuns[] = {
    {0xA2AB, 0xA2B0}, {0xA2E3, 0xA2E4}, {0xA2EF, 0xA2F0}, {0xA2FD, 0xA2FE}, {0xA4F4, 0xA4FE}, {0xA5F7, 0xA5FE},
    {0xA6B9, 0xA6C0}, {0xA6D9, 0xA6DF}, {0xA6EC, 0xA6ED}, {0xA6F3, 0xA6F3}, {0xA6F6, 0xA6FE}, {0xA7C2, 0xA7D0},
    {0xA7F2, 0xA7FE}, {0xA896, 0xA8A0}, {0xA8BC, 0xA8BC}, {0xA8BF, 0xA8BF}, {0xA8C1, 0xA8C4}, {0xA8EA, 0xA8FE},
    {0xA958, 0xA958}, {0xA95B, 0xA95B}, {0xA95D, 0xA95F}, {0xA989, 0xA995}, {0xA997, 0xA9A3}, {0xA9F0, 0xA9FE},
    {0xD7FA, 0xD7FE}, {0xFE50, 0xFE7E}, {0xFE80, 0xFEA0},
};
const char16_t kUnassignedFirst = 0xE766;
const char16_t kStrayFF = 0xF8F5;

bool IsTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// The private-use character of a code glibc leaves unassigned, or 0 when the platform has none for it either.
char16_t PrivateUseFromCode(unsigned lead, unsigned trail)
{
    if (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1)
        return static_cast<char16_t>(0xE000 + (lead - 0xAA) * 94 + trail - 0xA1);
    if (lead >= 0xF8 && lead <= 0xFE && trail >= 0xA1)
        return static_cast<char16_t>(0xE234 + (lead - 0xF8) * 94 + trail - 0xA1);
    if (lead >= 0xA1 && lead <= 0xA7 && trail <= 0xA0)
        return static_cast<char16_t>(0xE4C6 + (lead - 0xA1) * 96 + trail - 0x40 - (trail > 0x7F ? 1 : 0));
    const unsigned code = lead << 8 | trail;
    unsigned index = 0;
    for (const CodeRun& run : kUnassignedRuns) {
        if (code >= run.first && code <= run.last)
            return static_cast<char16_t>(kUnassignedFirst + index + (code - run.first));
        index += run.last - run.first + 1;
    }
    return 0;
}

// The code of a private-use character, or 0 when it has none.
unsigned CodeFromPrivateUse(char16_t c)
{
    if (c >= 0xE000 && c < 0xE234)
        return (0xAA + (c - 0xE000) / 94) << 8 | (0xA1 + (c - 0xE000) % 94);
    if (c >= 0xE234 && c < 0xE4C6)
        return (0xF8 + (c - 0xE234) / 94) << 8 | (0xA1 + (c - 0xE234) % 94);
    if (c >= 0xE4C6 && c < kUnassignedFirst) {
        const unsigned trail = 0x40 + (c - 0xE4C6) % 96;
        return (0xA1 + (c - 0xE4C6) / 96) << 8 | (trail >= 0x7F ? trail + 1 : trail);
    }
    unsigned index = c >= kUnassignedFirst ? c - kUnassignedFirst : ~0u;
    for (const CodeRun& run : kUnassignedRuns) {
        if (index <= run.last - run.first)
            return run.first + index;
        index -= run.last - run.first + 1;
    }
    return 0;
}

// Runs iconv over the whole input; where it refuses a sequence, stray(in, left, out) appends what the platform makes
// of it and returns how many input bytes that used.
template <class Out, class Stray>
void Convert(iconv_t cd, const char* in, size_t size, Out& out, Stray stray)
{
    using Unit = typename Out::value_type;
    char* from = const_cast<char*>(in);
    size_t left = size;
    Unit buffer[1024];
    while (left > 0) {
        char* to = reinterpret_cast<char*>(buffer);
        size_t room = sizeof buffer;
        const size_t result = iconv(cd, &from, &left, &to, &room);
        out.insert(out.end(), buffer, reinterpret_cast<Unit*>(to));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            const size_t used = stray(from, left, out);
            from += used;
            left -= used;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
}
#endif

} // namespace

#ifdef _WIN32

const unsigned kGbkCodePage = 936;

std::vector<char16_t> Utf16FromGbk(std::string_view gbk)
{
    std::vector<char16_t> utf16;
    if (gbk.empty())
        return utf16;
    const int length = static_cast<int>(gbk.size());
    const int n = ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, nullptr, 0);
    if (n <= 0)
        return utf16;
    utf16.resize(static_cast<size_t>(n));
    ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, reinterpret_cast<wchar_t*>(utf16.data()), n);
    return utf16;
}

std::string GbkFromUtf16(const char16_t* utf16, size_t length)
{
    std::string gbk;
    if (length == 0)
        return gbk;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(utf16);
    const int n = ::WideCharToMultiByte(kGbkCodePage, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return gbk;
    gbk.resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(kGbkCodePage, 0, wide, static_cast<int>(length), &gbk[0], n, nullptr, nullptr);
    return gbk;
}

#else

std::vector<char16_t> Utf16FromGbk(std::string_view gbk)
{
    // Opened once for the life of the process.
    static const iconv_t cd = iconv_open("UTF-16LE", "CP936");
    std::vector<char16_t> utf16;
    utf16.reserve(gbk.size());
    Convert(cd, gbk.data(), gbk.size(), utf16, [](const char* in, size_t left, std::vector<char16_t>& out) {
        const unsigned char lead = static_cast<unsigned char>(in[0]);
        if (lead == 0xFF) {
            out.push_back(kStrayFF);
            return size_t{1};
        }
        if (left >= 2 && IsLeadByte(lead) && IsTrailByte(static_cast<unsigned char>(in[1]))) {
            if (const char16_t c = PrivateUseFromCode(lead, static_cast<unsigned char>(in[1]))) {
                out.push_back(c);
                return size_t{2};
            }
        }
        out.push_back(u'?');
        return size_t{1};
    });
    return utf16;
}

std::string GbkFromUtf16(const char16_t* utf16, size_t length)
{
    static const iconv_t cd = iconv_open("CP936", "UTF-16LE");
    std::string gbk;
    gbk.reserve(length * 2);
    Convert(cd, reinterpret_cast<const char*>(utf16), length * 2, gbk,
            [](const char* in, size_t left, std::string& out) {
                if (left < 2) {
                    out.push_back('?');
                    return left;
                }
                char16_t c;
                std::memcpy(&c, in, 2);
                if (c == kStrayFF) {
                    out.push_back('\xFF');
                } else if (const unsigned code = CodeFromPrivateUse(c)) {
                    out.push_back(static_cast<char>(code >> 8));
                    out.push_back(static_cast<char>(code & 0xFF));
                } else {
                    out.push_back('?');
                }
                return size_t{2};
            });
    return gbk;
}

#endif

size_t WholeGbkCharacters(std::string_view gbk)
{
    size_t whole = 0;
    while (whole < gbk.size()) {
        const size_t step = IsLeadByte(static_cast<unsigned char>(gbk[whole])) ? 2 : 1;
        if (whole + step > gbk.size())
            break;
        whole += step;
    }
    return whole;
}

std::string Utf8FromUtf16(const std::vector<char16_t>& utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace text
