#include "catalogue/ProfileReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "text/CodePage936.h"

namespace {

const size_t kReservedKeysAtMost = 65536;

// The platform reads an integer's text into a buffer of 30 characters: at most 29 of them count.
const size_t kIntTextSize = 30;

bool IsBlankByte(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

bool IsLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}
bool IsTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Length of the character at p: two bytes for a GBK lead byte followed by a trail byte, else one. Only used to
// find the section header's last ']', which the platform looks for among characters, not bytes; the bytes
// themselves are kept as they are.
size_t CharLength(const char* p, const char* end)
{
    if (end - p >= 2 && IsLeadByte(static_cast<unsigned char>(p[0])) && IsTrailByte(static_cast<unsigned char>(p[1])))
        return 2;
    return 1;
}

const char* SkipBlanks(const char* p, const char* end)
{
    while (p < end && IsBlankByte(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

// End of [p, end) without its trailing blanks. Blanks are ASCII bytes below any GBK trail byte, so they are never
// the second half of a character.
const char* TrimEnd(const char* p, const char* end)
{
    while (end > p && IsBlankByte(static_cast<unsigned char>(end[-1])))
        --end;
    return end;
}

// The platform keeps names and values as terminated strings: whatever follows a NUL byte is not seen.
std::string_view UpToNul(const char* p, const char* end)
{
    const void* nul = std::memchr(p, '\0', static_cast<size_t>(end - p));
    return std::string_view(p, static_cast<size_t>((nul ? static_cast<const char*>(nul) : end) - p));
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return -1;
}

// Reads the lines of a profile as the platform does, and hands each section header and key, with its line number,
// to sink.Section(name, line) and sink.Key(name, value, hasValue, line).
template <class Sink>
void ParseProfile(std::string_view bytes, Sink& sink)
{
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (bytes.size() >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
        p += 3;

    int line = 0;
    while (p < end) {
        ++line;
        // A line ends at LF; only when no LF is left does CR end it.
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lineEnd)
            lineEnd = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
        const char* next = lineEnd ? lineEnd + 1 : end;
        if (!lineEnd)
            lineEnd = end;

        const char* start = SkipBlanks(p, lineEnd);
        const char* stop = TrimEnd(start, lineEnd);
        p = next;
        if (start >= stop)
            continue;

        if (*start == '[') {
            // The name runs to the last ']' of the line; a '[' line without one is read as a key.
            const char* close = nullptr;
            for (const char* c = start + 1; c < stop; c += CharLength(c, stop)) {
                if (*c == ']')
                    close = c;
            }
            if (close) {
                const char* nameStart = SkipBlanks(start + 1, close);
                sink.Section(UpToNul(nameStart, TrimEnd(nameStart, close)), line);
                continue;
            }
        }

        const char* equals = static_cast<const char*>(std::memchr(start, '=', static_cast<size_t>(stop - start)));
        if (!equals) {
            sink.Key(UpToNul(start, stop), std::string_view(), false, line);
            continue;
        }
        const char* nameEnd = TrimEnd(start, equals);
        const char* valueStart = SkipBlanks(equals + 1, stop);
        sink.Key(UpToNul(start, nameEnd), UpToNul(valueStart, stop), true, line);
    }
}

} // namespace

std::string LowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

struct Profile::Builder {
    Profile& profile;
    void Section(std::string_view name, int) { profile.AddSection(name); }
    void Key(std::string_view name, std::string_view value, bool hasValue, int)
    {
        profile.AddKey(name, value, hasValue);
    }
};

Profile Profile::FromBytes(std::string_view bytes)
{
    Profile profile;
    // Each key takes a line: storage for as many keys as the bytes have lines (up to a bound, a file of blank lines
    // holds none), reserved once.
    const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    profile.m_keys.reserve(lines < kReservedKeysAtMost ? lines : kReservedKeysAtMost);
    // Keys before the first section header belong to a nameless section, as on the platform.
    profile.AddSection(std::string_view());
    Builder builder{profile};
    ParseProfile(bytes, builder);
    return profile;
}

void ReadProfileLines(std::string_view bytes, ProfileLineVisitor& visitor)
{
    struct Forward {
        ProfileLineVisitor& visitor;
        void Section(std::string_view name, int line) { visitor.OnSection(name, line); }
        void Key(std::string_view name, std::string_view value, bool hasValue, int line)
        {
            visitor.OnKey(name, value, hasValue, line);
        }
    } forward{visitor};
    ParseProfile(bytes, forward);
}

bool IsUtf16Profile(std::string_view bytes)
{
    return bytes.size() >= 2 && std::memcmp(bytes.data(), "\xFF\xFE", 2) == 0;
}

// The platform's reader also takes a UTF-16LE file that starts with its byte order mark ("Unicode" in the system's
// editor); convert it so such a catalogue is not lost. Its texts become code page 936 bytes like those of any other
// catalogue, not bytes of the system's code page. Only whole UTF-16 units count: a last odd byte is dropped, and a
// file of just the mark reads as empty.
std::string GbkFromUtf16Profile(std::string_view bytes)
{
    std::vector<char16_t> utf16((bytes.size() - 2) / 2);
    if (!utf16.empty())
        std::memcpy(utf16.data(), bytes.data() + 2, utf16.size() * 2);
    return text::GbkFromUtf16(utf16.data(), utf16.size());
}

bool ReadProfileFile(const PathChar* path, std::string& bytes)
{
    bytes.clear();
#ifdef _WIN32
    std::FILE* file = _wfopen(path, L"rb");
#else
    std::FILE* file = std::fopen(path, "rb");
#endif
    if (!file)
        return false;
    char chunk[16384];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, n);
    const bool read = !std::ferror(file);
    std::fclose(file);
    if (!read) {
        bytes.clear();
        return false;
    }
    if (IsUtf16Profile(bytes))
        bytes = GbkFromUtf16Profile(bytes);
    return true;
}

Profile Profile::FromFile(const PathChar* path)
{
    std::string bytes;
    ReadProfileFile(path, bytes);
    return FromBytes(bytes);
}

void Profile::AddSection(std::string_view name)
{
    m_sections.push_back(Section{std::string(name), m_keys.size(), 0, {}});
    m_firstSection.emplace(LowerAscii(name), m_sections.size() - 1);
}

void Profile::AddKey(std::string_view name, std::string_view value, bool hasValue)
{
    Section& section = m_sections.back();
    m_keys.push_back(Key{std::string(name), std::string(value), hasValue});
    ++section.keyCount;
    if (section.keyCount <= kScannedKeys)
        return;
    if (section.index.empty()) {
        for (size_t k = section.firstKey; k < m_keys.size() - 1; ++k)
            section.index.emplace(LowerAscii(m_keys[k].name), k);
    }
    section.index.emplace(LowerAscii(name), m_keys.size() - 1);
}

namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

const std::string* Profile::FindValue(std::string_view section, std::string_view key) const
{
    auto s = m_firstSection.find(LowerAscii(section));
    if (s == m_firstSection.end())
        return nullptr;
    const Section& found = m_sections[s->second];
    size_t first = found.firstKey + found.keyCount;
    if (found.keyCount > kScannedKeys) {
        const auto k = found.index.find(LowerAscii(key));
        if (k != found.index.end())
            first = k->second;
    } else {
        for (size_t k = found.firstKey; k < found.firstKey + found.keyCount; ++k) {
            if (EqualIgnoringAsciiCase(m_keys[k].name, key)) {
                first = k;
                break;
            }
        }
    }
    if (first == found.firstKey + found.keyCount || !m_keys[first].hasValue)
        return nullptr;
    return &m_keys[first].value;
}

void Profile::ReadString(const char* section, const char* key, char* buffer, size_t size) const
{
    std::string_view value;
    if (const std::string* stored = FindValue(section, key))
        value = StripProfileQuotes(*stored);
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    if (n > 0)
        std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
}

int Profile::ReadInt(const char* section, const char* key, int defaultValue) const
{
    const std::string* stored = FindValue(section, key);
    if (!stored)
        return defaultValue;
    std::string_view text = StripProfileQuotes(*stored);
    if (text.empty())
        return defaultValue;
    return ParseProfileInt(text.substr(0, kIntTextSize - 1));
}

std::string_view StripProfileQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

int ParseProfileInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (text.size() - i >= 2 && text[i] == '0') {
        switch (text[i + 1]) {
        case 'x':
            base = 16;
            i += 2;
            break;
        case 'o':
            base = 8;
            i += 2;
            break;
        case 'b':
            base = 2;
            i += 2;
            break;
        default: break;
        }
    }
    uint32_t total = 0;
    for (; i < text.size(); ++i) {
        int digit = DigitValue(text[i]);
        if (digit < 0 || digit >= base)
            break;
        total = total * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    if (negative)
        total = 0u - total;
    return static_cast<int>(total);
}
