// Which encoding a catalogue's lines are written in, judged as a person reading them would: GBK, as the launcher
// reads them, or UTF-8, which it shows as mojibake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace encoding {

// How well a line reads in each encoding. A reading that does not decode is not valid; a valid one scores its
// characters: plus for what text in that encoding is made of (common Chinese in GBK; words of one alphabet, Chinese
// or kana in UTF-8), minus for what it rarely is (GBK's extension and user-defined characters; a lone letter of a
// rare script, or an accented Latin letter that stands in no Latin word, in UTF-8).
struct LineReading {
    bool gbk = false;
    bool utf8 = false;
    int gbkScore = 0;
    int utf8Score = 0;
    size_t badGbkByte = 0; // offset in the line of the first byte that starts no GBK character, when !gbk
};

// Remembers per character whether GB2312 (the common Chinese of GBK) has it, so a long file asks the conversion once
// per character it holds.
class CharacterTable {
public:
    bool InGb2312(uint32_t code);
    // Whether the UTF-16 unit has a GBK form that converts back to it (the launcher reads it unchanged).
    bool HasGbkCode(char16_t unit);
    // The text of a UTF-16 file (after its byte order mark) as the reader converts it, a character at a time from
    // the table: converting a file of characters without a GBK code in one go costs the library a fresh start at
    // each of them.
    std::string GbkFromUtf16File(std::string_view file);

private:
    uint8_t& Entry(char16_t unit);
    std::vector<uint8_t> m_entries;                    // per UTF-16 unit: kKnown, kInGb2312, kRoundTrips, kOneByte bits
    std::vector<uint16_t> m_gbk;                       // per UTF-16 unit: its code page 936 bytes, one or two
    std::unordered_map<uint32_t, std::string> m_pairs; // per pair of surrogates: its code page 936 bytes
};

// Reads one line of the file (without its line end) both ways.
LineReading ReadLine(std::string_view line, CharacterTable& table);

} // namespace encoding
