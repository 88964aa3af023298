#include "zonecheck/Encoding.h"

#include <cstring>
#include <string>

#include "text/CodePage936.h"

namespace encoding {

namespace {

const uint8_t kKnown = 1;
const uint8_t kInGb2312 = 2;
const uint8_t kRoundTrips = 4;
const uint8_t kOneByte = 8;

// The length of the UTF-8 sequence at bytes[i] (0 when none starts there) and its character.
size_t Utf8Sequence(std::string_view bytes, size_t i, uint32_t& code)
{
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > bytes.size())
        return 0;
    code = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < length; ++k) {
        const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
        if ((t & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (t & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool invalid = (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF;
    return overlong || invalid ? 0 : length;
}

bool IsAsciiLetter(uint32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Letters of alphabets whose words UTF-8 writes in two bytes a letter, by script; 0 for anything else.
enum Script { kNone, kLatin, kGreek, kCyrillic, kArmenian, kHebrew, kArabic, kKana, kHangul };

Script ScriptOf(uint32_t c)
{
    if (IsAsciiLetter(c) || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7))
        return kLatin;
    if (c >= 0x386 && c <= 0x3CE)
        return kGreek;
    if ((c >= 0x400 && c <= 0x45F) || (c >= 0x490 && c <= 0x4FF))
        return kCyrillic;
    if (c >= 0x531 && c <= 0x587)
        return kArmenian;
    if (c >= 0x5D0 && c <= 0x5EA)
        return kHebrew;
    if (c >= 0x620 && c <= 0x64A)
        return kArabic;
    if (c >= 0x3041 && c <= 0x30FF)
        return kKana;
    if (c >= 0xAC00 && c <= 0xD7A3)
        return kHangul;
    return kNone;
}

// Upper case +1, lower case -1, 0 where the script has no case.
int CaseOf(uint32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE) || (c >= 0x386 && c <= 0x3AB) || (c >= 0x400 && c <= 0x42F))
        return 1;
    if ((c >= 'a' && c <= 'z') || (c >= 0xDF && c <= 0xFF) || (c >= 0x3AC && c <= 0x3CE) || (c >= 0x430 && c <= 0x45F))
        return -1;
    if (c >= 0x100 && c <= 0x17F)
        return c % 2 == 0 ? 1 : -1;
    return 0;
}

bool IsCjk(uint32_t c)
{
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
}

// Punctuation and signs that text of any script uses: neutral evidence.
bool IsCommonSign(uint32_t c)
{
    return (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x2BFF) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF) || c >= 0x10000;
}

// An accented Latin letter (two bytes in UTF-8) is UTF-8 evidence inside a Latin word: beside an ASCII letter of
// its own case (or as the capital before a small one), in a word of at least two ASCII letters. GBK Chinese of rows
// C2-C3 reads in UTF-8 as such letters, but standing alone, beside digits or blanks, or against a capital.
int LatinScore(const std::vector<uint32_t>& text, size_t i, int asciiLettersOfWord)
{
    const uint32_t c = text[i];
    const uint32_t left = i > 0 ? text[i - 1] : 0;
    const uint32_t right = i + 1 < text.size() ? text[i + 1] : 0;
    if (!IsAsciiLetter(left) && !IsAsciiLetter(right))
        return -1;
    const bool agrees = (IsAsciiLetter(left) && CaseOf(left) == CaseOf(c)) ||
                        (IsAsciiLetter(right) && CaseOf(right) == CaseOf(c)) ||
                        (CaseOf(c) > 0 && ScriptOf(left) != kLatin && IsAsciiLetter(right) && CaseOf(right) < 0);
    return agrees && asciiLettersOfWord >= 2 ? 3 : 1;
}

int Utf8Score(const std::vector<uint32_t>& text, CharacterTable& table)
{
    int score = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint32_t c = text[i];
        const Script script = ScriptOf(c);
        if (script != kNone) {
            // A word: the run of letters of one script, scored letter by letter with what the whole word shows.
            size_t end = i + 1;
            int asciiLetters = IsAsciiLetter(c) ? 1 : 0;
            bool lower = true, upper = true;
            for (; end < text.size() && ScriptOf(text[end]) == script; ++end) {
                asciiLetters += IsAsciiLetter(text[end]) ? 1 : 0;
                lower = lower && CaseOf(text[end]) <= 0;
                upper = upper && CaseOf(text[end]) >= 0;
            }
            for (size_t k = i; k < end; ++k) {
                if (text[k] < 0x80)
                    continue;
                if (script == kLatin)
                    score += LatinScore(text, k, asciiLetters);
                else // another alphabet: a word of two letters or more is evidence, more so in one case
                    score += end - i < 2 ? -1 : lower || upper ? 3 : 2;
            }
            i = end - 1;
        } else if (c < 0x80 || IsCommonSign(c)) {
            continue;
        } else if (IsCjk(c)) {
            score += table.InGb2312(c) ? 2 : 0;
        } else if (c < 0x800) {
            score -= 1; // phonetic and combining signs, rare alphabets
        } else if (c >= 0xE000 && c <= 0xF8FF) {
            score -= 2; // private use
        } else {
            // A letter of a script written in three bytes: a run of one block is a word, a lone one is not.
            const bool word = (i > 0 && text[i - 1] >> 7 == c >> 7) ||
                              (i + 1 < text.size() && text[i + 1] >> 7 == c >> 7);
            score += word ? 2 : -2;
        }
    }
    return score;
}

} // namespace

uint8_t& CharacterTable::Entry(char16_t unit)
{
    if (m_entries.empty()) {
        m_entries.assign(0x10000, 0);
        m_gbk.assign(0x10000, 0);
    }
    uint8_t& entry = m_entries[unit];
    if (!(entry & kKnown)) {
        entry = kKnown;
        const std::string gbk = text::GbkFromUtf16(&unit, 1);
        if (gbk.size() == 1)
            entry |= kOneByte;
        m_gbk[unit] = static_cast<uint16_t>(gbk.size() == 1   ? static_cast<unsigned char>(gbk[0])
                                            : gbk.size() == 2 ? static_cast<unsigned char>(gbk[0]) << 8 |
                                                                    static_cast<unsigned char>(gbk[1])
                                                              : '?');
        const std::vector<char16_t> back = text::Utf16FromGbk(gbk);
        if (back.size() == 1 && back[0] == unit)
            entry |= kRoundTrips;
        if (gbk.size() == 2 && static_cast<unsigned char>(gbk[0]) >= 0xA1 && static_cast<unsigned char>(gbk[1]) >= 0xA1)
            entry |= kInGb2312;
    }
    return entry;
}

bool CharacterTable::InGb2312(uint32_t code)
{
    return code < 0x10000 && (Entry(static_cast<char16_t>(code)) & kInGb2312) != 0;
}

bool CharacterTable::HasGbkCode(char16_t unit)
{
    return unit < 0x80 || (Entry(unit) & kRoundTrips) != 0;
}

std::string CharacterTable::GbkFromUtf16File(std::string_view file)
{
    const size_t units = file.size() < 2 ? 0 : (file.size() - 2) / 2;
    auto unitAt = [&](size_t i) {
        char16_t unit;
        std::memcpy(&unit, file.data() + 2 + 2 * i, 2);
        return unit;
    };
    std::string gbk;
    gbk.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) <= 0xDFFF) {
            // A character beyond the first 65 536: converted as a pair, once per character.
            const char16_t pair[2] = {unit, unitAt(++i)};
            auto found = m_pairs.find(static_cast<uint32_t>(pair[0]) << 16 | pair[1]);
            if (found == m_pairs.end())
                found =
                    m_pairs.emplace(static_cast<uint32_t>(pair[0]) << 16 | pair[1], text::GbkFromUtf16(pair, 2)).first;
            gbk += found->second;
            continue;
        }
        const uint8_t entry = Entry(unit);
        const uint16_t code = m_gbk[unit];
        if (!(entry & kOneByte))
            gbk += static_cast<char>(code >> 8);
        gbk += static_cast<char>(code & 0xFF);
    }
    return gbk;
}

LineReading ReadLine(std::string_view line, CharacterTable& table)
{
    LineReading reading;
    reading.gbk = true;
    for (size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x80)
            continue;
        if (c == 0x80) { // code page 936 adds the euro sign to GBK
            reading.gbkScore -= 1;
            continue;
        }
        const unsigned char t = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : 0;
        if (c == 0xFF || t < 0x40 || t == 0x7F || t == 0xFF) {
            reading.gbk = false;
            reading.badGbkByte = i;
            break;
        }
        ++i;
        // GB2312: the first level of Chinese characters (rows B0-D7), the second (D8-F7), signs (A1-A9); the rest
        // of GBK is rare characters and user-defined places.
        if (t >= 0xA1 && c >= 0xB0 && c <= 0xD7)
            reading.gbkScore += 2;
        else if (t >= 0xA1 && ((c >= 0xD8 && c <= 0xF7) || (c >= 0xA1 && c <= 0xA9)))
            reading.gbkScore += 1;
        else
            reading.gbkScore -= 2;
    }

    std::vector<uint32_t> text;
    text.reserve(line.size());
    reading.utf8 = true;
    for (size_t i = 0; i < line.size(); ++i) {
        uint32_t code = static_cast<unsigned char>(line[i]);
        if (code >= 0x80) {
            const size_t length = Utf8Sequence(line, i, code);
            if (length == 0) {
                reading.utf8 = false;
                break;
            }
            i += length - 1;
        }
        text.push_back(code);
    }
    if (reading.utf8)
        reading.utf8Score = Utf8Score(text, table);
    return reading;
}

} // namespace encoding
