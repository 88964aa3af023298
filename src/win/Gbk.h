// The launcher's texts are bytes of code page 936 (GBK) whatever code page the system runs with: the catalogue's
// titles and addresses, the fixed messages, the command line. The window and file functions are called in their
// wide (UTF-16) form, and the texts cross over here, with code page 936 named explicitly (the conversion itself is
// text/CodePage936, which the catalogue shares).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win {

const unsigned kGbkCodePage = 936;

// A UTF-16 text with its terminator: data() goes to the wide calls, size() - 1 is its length. (Not std::wstring: the
// static C++ runtime's wide string would add about 25 KB to the executable.)
using WideText = std::vector<wchar_t>;

// Every byte converted, as the platform converts text in code page 936 (a stray byte becomes its default character).
WideText WideFromGbk(std::string_view gbk);
// For showing a text: one cut inside a character (a last lead byte without its trail byte, as a 31-byte cut of a
// Chinese title leaves) shows its whole characters only, with no stray glyph for the half.
WideText WideFromGbkWholeCharacters(std::string_view gbk);
// A character without a GBK form becomes the default character '?'.
std::string GbkFromWide(std::wstring_view wide);

} // namespace win
