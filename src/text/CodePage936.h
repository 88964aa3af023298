// Conversion between the launcher's texts, bytes of code page 936 (GBK), and UTF-16, the same on every platform the
// catalogue is read on: the platform's own conversion on Windows (code page 936 named explicitly), glibc's iconv
// with "CP936" elsewhere, so a checker on Linux reads a file exactly as the launcher on Windows does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// Every byte converted: a byte that starts no GBK character, or a lead byte without its trail byte, becomes the
// platform's default character '?' (the byte 0xFF becomes U+F8F5, as on Windows).
std::vector<char16_t> Utf16FromGbk(std::string_view gbk);
// A character without a GBK form becomes '?'.
std::string GbkFromUtf16(const char16_t* utf16, size_t length);

// The length of the whole GBK characters at the start of gbk: a last lead byte without its trail byte, as a 31-byte
// cut of a Chinese title leaves, is left out.
size_t WholeGbkCharacters(std::string_view gbk);

// UTF-8 of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(const std::vector<char16_t>& utf16);

} // namespace text
