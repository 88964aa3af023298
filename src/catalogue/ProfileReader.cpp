#include "catalogue/ProfileReader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "text/CodePage936.h"

namespace {

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
    ProfileLines lines(bytes);
    size_t begin = 0;
    size_t lineEndAt = 0;
    int line = 0;
    while (lines.Next(begin, lineEndAt)) {
        ++line;
        const char* lineEnd = bytes.data() + lineEndAt;
        const char* start = SkipBlanks(bytes.data() + begin, lineEnd);
        const char* stop = TrimEnd(start, lineEnd);
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

ProfileLines::ProfileLines(std::string_view bytes)
    : m_bytes(bytes), m_next(bytes.size() >= 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0)
{
}

bool ProfileLines::Next(size_t& begin, size_t& end)
{
    if (m_next >= m_bytes.size())
        return false;
    begin = m_next;
    const char* p = m_bytes.data() + begin;
    const size_t left = m_bytes.size() - begin;
    // A line ends at LF; only when no LF is left does CR end it. Once no LF is left none is looked for again, so a
    // file of CR-ended lines takes one pass.
    const void* lineEnd = m_lineFeedLeft ? std::memchr(p, '\n', left) : nullptr;
    if (!lineEnd) {
        m_lineFeedLeft = false;
        lineEnd = std::memchr(p, '\r', left);
    }
    end = lineEnd ? static_cast<size_t>(static_cast<const char*>(lineEnd) - m_bytes.data()) : m_bytes.size();
    m_next = lineEnd ? end + 1 : end;
    return true;
}

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
    void Section(std::string_view name, int line) { profile.AddSection(name, line); }
    void Key(std::string_view name, std::string_view value, bool hasValue, int line)
    {
        profile.AddKey(name, value, hasValue, line);
    }
};

Profile Profile::FromBytes(std::string_view bytes)
{
    Profile profile;
    // Places in the text are 32-bit: a profile is read up to 4 GiB (a catalogue is a few KB).
    profile.m_text = std::string(bytes.substr(0, UINT32_MAX));
    // Keys before the first section header belong to a nameless section, as on the platform.
    profile.AddSection(std::string_view(), 0);
    Builder builder{profile};
    ParseProfile(profile.m_text, builder);
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

size_t HashIgnoringAsciiCase(uint32_t scope, std::string_view name)
{
    uint32_t hash = 2166136261u ^ scope;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    // Mixed so the low bits, which pick the slot, depend on every byte: names differ mostly in their last digits.
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    return hash;
}

} // namespace

template <class NameOf>
size_t Profile::NameIndex::Find(uint32_t scope, std::string_view name, const NameOf& nameOf) const
{
    if (m_slots.empty())
        return kNone;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = HashIgnoringAsciiCase(scope, name) & mask; m_slots[i] != 0; i = (i + 1) & mask) {
        const uint32_t id = m_slots[i] - 1;
        const auto found = nameOf(id); // (scope, name)
        if (found.first == scope && EqualIgnoringAsciiCase(found.second, name))
            return id;
    }
    return kNone;
}

template <class NameOf>
bool Profile::NameIndex::Add(uint32_t scope, std::string_view name, uint32_t id, const NameOf& nameOf)
{
    if (Find(scope, name, nameOf) != kNone)
        return false;
    if ((m_used + 1) * 2 > m_slots.size())
        Grow(nameOf);
    const size_t mask = m_slots.size() - 1;
    size_t i = HashIgnoringAsciiCase(scope, name) & mask;
    while (m_slots[i] != 0)
        i = (i + 1) & mask;
    m_slots[i] = id + 1;
    ++m_used;
    return true;
}

template <class NameOf>
void Profile::NameIndex::Grow(const NameOf& nameOf)
{
    std::vector<uint32_t> old(m_slots.empty() ? 16 : m_slots.size() * 2, 0);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (uint32_t slot : old) {
        if (slot == 0)
            continue;
        const auto entry = nameOf(slot - 1);
        size_t i = HashIgnoringAsciiCase(entry.first, entry.second) & mask;
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

Profile::Text Profile::TextAt(std::string_view part) const
{
    // Names and values are parts of m_text (an empty one may lie anywhere: it is stored as empty).
    if (part.empty())
        return Text{0, 0};
    return Text{static_cast<uint32_t>(part.data() - m_text.data()), static_cast<uint32_t>(part.size())};
}

void Profile::AddSection(std::string_view name, int line)
{
    const uint32_t id = static_cast<uint32_t>(m_sections.size());
    m_sections.push_back(Section{TextAt(name), static_cast<uint32_t>(line), static_cast<uint32_t>(m_keys.size())});
    m_inRepeatedSection = !m_sectionIndex.Add(
        0, name, id, [this](uint32_t s) { return std::make_pair(0u, TextOf(m_sections[s].name)); });
    if (m_inRepeatedSection)
        m_sections.pop_back();
}

void Profile::AddKey(std::string_view name, std::string_view value, bool hasValue, int line)
{
    if (m_inRepeatedSection)
        return;
    const uint32_t section = static_cast<uint32_t>(m_sections.size() - 1);
    const uint32_t id = static_cast<uint32_t>(m_keys.size());
    m_keys.push_back(Key{TextAt(name), TextAt(value), section, static_cast<uint32_t>(line), hasValue});
    if (!m_keyIndex.Add(section, name, id,
                        [this](uint32_t k) { return std::make_pair(m_keys[k].section, TextOf(m_keys[k].name)); }))
        m_keys.pop_back();
}

size_t Profile::KeyEnd(size_t section) const
{
    return section + 1 < m_sections.size() ? m_sections[section + 1].firstKey : m_keys.size();
}

std::string_view Profile::SectionName(size_t section) const
{
    return TextOf(m_sections[section].name);
}

size_t Profile::FindSection(std::string_view name) const
{
    return m_sectionIndex.Find(0, name, [this](uint32_t s) { return std::make_pair(0u, TextOf(m_sections[s].name)); });
}

size_t Profile::KeyCount(size_t section) const
{
    return KeyEnd(section) - m_sections[section].firstKey;
}

Profile::KeyLine Profile::KeyAt(size_t section, size_t index) const
{
    const Key& key = m_keys[m_sections[section].firstKey + index];
    return KeyLine{TextOf(key.name), TextOf(key.value), key.hasValue, static_cast<int>(key.line)};
}

size_t Profile::FindKey(size_t section, std::string_view name) const
{
    const size_t key = m_keyIndex.Find(static_cast<uint32_t>(section), name, [this](uint32_t k) {
        return std::make_pair(m_keys[k].section, TextOf(m_keys[k].name));
    });
    return key == kNone ? kNone : key - m_sections[section].firstKey;
}

std::optional<std::string_view> Profile::FindValue(std::string_view section, std::string_view key) const
{
    const size_t s = FindSection(section);
    const size_t k = s == kNone ? kNone : FindKey(s, key);
    if (k == kNone || !m_keys[m_sections[s].firstKey + k].hasValue)
        return std::nullopt;
    return TextOf(m_keys[m_sections[s].firstKey + k].value);
}

void Profile::ReadString(const char* section, const char* key, char* buffer, size_t size) const
{
    std::string_view value;
    if (const auto stored = FindValue(section, key))
        value = StripProfileQuotes(*stored);
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    if (n > 0)
        std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
}

int Profile::ReadInt(const char* section, const char* key, int defaultValue) const
{
    const auto stored = FindValue(section, key);
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
