// Prints how this platform converts every character of code page 936, one line each, so the Windows conversion and
// the host's can be compared line for line: every single byte and every lead/trail pair to UTF-16, and every UTF-16
// unit (and a few pairs of surrogates) to code page 936.
#include <cstdio>
#include <string>
#include <vector>

#include "text/CodePage936.h"

namespace {

void PrintUnits(const std::vector<char16_t>& units)
{
    for (char16_t u : units)
        std::printf(" %04X", static_cast<unsigned>(u));
    std::printf("\n");
}

void PrintBytes(const std::string& bytes)
{
    for (char b : bytes)
        std::printf(" %02X", static_cast<unsigned char>(b));
    std::printf("\n");
}

} // namespace

int main()
{
    for (unsigned b = 0; b <= 0xFF; ++b) {
        std::printf("%02X ->", b);
        PrintUnits(text::Utf16FromGbk(std::string(1, static_cast<char>(b))));
    }
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
            std::printf("%02X%02X ->", lead, trail);
            PrintUnits(text::Utf16FromGbk(std::string(pair, 2)));
        }
    }
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const char16_t unit = static_cast<char16_t>(u);
        std::printf("U+%04X ->", u);
        PrintBytes(text::GbkFromUtf16(&unit, 1));
    }
    const char16_t pairs[][2] = {{0xD83D, 0xDE00}, {0xD840, 0xDC00}, {0xDBFF, 0xDFFF}};
    for (const auto& pair : pairs) {
        std::printf("U+%04X U+%04X ->", static_cast<unsigned>(pair[0]), static_cast<unsigned>(pair[1]));
        PrintBytes(text::GbkFromUtf16(pair, 2));
    }
    return 0;
}
