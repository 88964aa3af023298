// The profile (INI) reader of the zone catalogue: reads AgentIP.ini once, indexes it, and answers from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A path as the file system takes it: UTF-16 on Windows, so an installation path in any script is reached whatever
// the system's code page; bytes elsewhere.
#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

// What the catalogue scan asks of a profile. The launcher answers from a Profile; tests and the benchmark also
// answer through the platform's own profile functions to compare the two.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    // Copies the key's value, or the empty default when the key is missing, into buffer: at most size - 1 bytes,
    // cut byte for byte, always terminated. size must be at least 1.
    virtual void ReadString(const char* section, const char* key, char* buffer, size_t size) const = 0;
    // The key's value read as an integer, or defaultValue when the key is missing or its value is empty.
    virtual int ReadInt(const char* section, const char* key, int defaultValue) const = 0;
};

// A profile file held in memory. Follows the platform's reader (as Wine shows it):
// - lines end at LF; a file with no LF left ends its line at CR; blanks (space, tab, CR, LF, VT, FF, Ctrl-Z)
//   around lines, names and values are dropped;
// - "[name]" up to the last ']' opens a section, even when its name repeats; other lines are "key=value" or a
//   bare key without value; comment lines (';', '#') are simply keys that no one asks for;
// - section and key names match without regard to ASCII case; the first matching section is the only one
//   searched, and in it the first matching key wins, even when it has no value;
// - one pair of surrounding double or single quotes is stripped from a value; a UTF-8 byte order mark is skipped.
// Texts are never decoded: names and values are kept as the bytes of the file (GBK, code page 936).
class Profile : public ProfileSource {
public:
    Profile() = default;
    static Profile FromBytes(std::string_view bytes);
    // A missing or unreadable file reads as a file without sections. A UTF-16LE file with its byte order mark is
    // read as its text in code page 936.
    static Profile FromFile(const PathChar* path);

    // The stored value of the key (before quotes are stripped), or nothing when the section or key is missing or
    // the key has no '='.
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;

    void ReadString(const char* section, const char* key, char* buffer, size_t size) const override;
    int ReadInt(const char* section, const char* key, int defaultValue) const override;

    // For tools that report on a profile: what a lookup can find, with the lines it was read from (1-based, lines
    // counted as the reader ends them). Section 0 holds the keys before the first header (its line is 0); every
    // other section is the first of its name, and holds the first key of each name in it.
    static constexpr size_t kNone = static_cast<size_t>(-1);
    struct KeyLine {
        std::string_view name;
        std::string_view value;
        bool hasValue;
        int line;
    };
    size_t SectionCount() const { return m_sections.size(); }
    std::string_view SectionName(size_t section) const;
    int SectionLine(size_t section) const { return static_cast<int>(m_sections[section].line); }
    // The section a lookup of name finds, or kNone.
    size_t FindSection(std::string_view name) const;
    size_t KeyCount(size_t section) const;
    KeyLine KeyAt(size_t section, size_t index) const;
    // The key a lookup of name in the section finds (its index within the section), or kNone.
    size_t FindKey(size_t section, std::string_view name) const;

private:
    // Only what a lookup can find is kept, as places in the text: the first section of each name with the first key
    // of each name in it. A later one is never searched, so a file of repeated lines costs no memory for them, and
    // a file of distinct names a few dozen bytes a name.
    struct Text {
        uint32_t at;
        uint32_t size;
    };
    struct Section {
        Text name;
        uint32_t line;
        uint32_t firstKey; // index of its first key in m_keys; its keys run up to the next section's
    };
    struct Key {
        Text name;
        Text value;
        uint32_t section;
        uint32_t line;
        bool hasValue;
    };
    // Names found without regard to ASCII case: an open-addressed table of ids (plus one; 0 is free), each id
    // naming a section or a key of the profile.
    class NameIndex {
    public:
        template <class NameOf>
        size_t Find(uint32_t scope, std::string_view name, const NameOf& nameOf) const;
        // Adds id under (scope, name) unless that name is there: true when it was added.
        template <class NameOf>
        bool Add(uint32_t scope, std::string_view name, uint32_t id, const NameOf& nameOf);

    private:
        template <class NameOf>
        void Grow(const NameOf& nameOf);
        std::vector<uint32_t> m_slots;
        size_t m_used = 0;
    };

    struct Builder;
    void AddSection(std::string_view name, int line);
    void AddKey(std::string_view name, std::string_view value, bool hasValue, int line);
    std::string_view TextOf(Text text) const { return std::string_view(m_text).substr(text.at, text.size); }
    Text TextAt(std::string_view part) const;
    size_t KeyEnd(size_t section) const;

    std::string m_text;
    std::vector<Section> m_sections;
    std::vector<Key> m_keys;
    NameIndex m_sectionIndex;         // scope 0
    NameIndex m_keyIndex;             // scope: the section's index
    bool m_inRepeatedSection = false; // the keys read now belong to a section that repeats an earlier one
};

// Reads a file's bytes: false, and no bytes, when it cannot be opened or read. A UTF-16LE file with its byte order
// mark is returned as its text in code page 936.
bool ReadProfileFile(const PathChar* path, std::string& bytes);
// Whether the bytes are a UTF-16LE file with its byte order mark, and their text in code page 936 as
// ReadProfileFile returns it (a character without a GBK form becomes '?').
bool IsUtf16Profile(std::string_view bytes);
std::string GbkFromUtf16Profile(std::string_view bytes);

// The lines of a profile as the reader ends them: at LF, and at CR once no LF is left; a UTF-8 byte order mark
// before the first line is skipped.
class ProfileLines {
public:
    explicit ProfileLines(std::string_view bytes);
    // The next line's text [begin, end) of the bytes, without the byte that ends it; false after the last line.
    bool Next(size_t& begin, size_t& end);

private:
    std::string_view m_bytes;
    size_t m_next;
    bool m_lineFeedLeft = true;
};

// For tools that report on a profile: every section header and key of the bytes, in file order and with its line
// (1-based, lines counted as the reader ends them), exactly as Profile::FromBytes reads them.
class ProfileLineVisitor {
public:
    virtual ~ProfileLineVisitor() = default;
    virtual void OnSection(std::string_view name, int line) = 0;
    virtual void OnKey(std::string_view name, std::string_view value, bool hasValue, int line) = 0;
};
void ReadProfileLines(std::string_view bytes, ProfileLineVisitor& visitor);

// The string the platform's reader makes of a stored value: one pair of surrounding quotes stripped.
// Section and key names match without regard to the case of ASCII letters: the form they are compared in.
std::string LowerAscii(std::string_view s);
std::string_view StripProfileQuotes(std::string_view value);
// Reads an integer as the platform's integer reader does: leading control characters and blanks skipped, an
// optional '+' or '-', a "0x" (hex), "0o" (octal) or "0b" (binary) prefix, then digits up to the first one that
// does not belong to the base; the result wraps around modulo 2^32. Text without digits reads as 0.
int ParseProfileInt(std::string_view text);
