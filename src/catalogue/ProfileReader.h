// The profile (INI) reader of the zone catalogue: reads AgentIP.ini once, indexes it, and answers from memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
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

    // The stored value of the key (before quotes are stripped), or nullptr when the section or key is missing or
    // the key has no '='.
    const std::string* FindValue(std::string_view section, std::string_view key) const;

    void ReadString(const char* section, const char* key, char* buffer, size_t size) const override;
    int ReadInt(const char* section, const char* key, int defaultValue) const override;

    size_t SectionCount() const { return m_sections.size(); }

private:
    struct Key {
        std::string name;
        std::string value;
        bool hasValue;
    };
    // A section's keys are m_keys[firstKey, firstKey + keyCount). A section of a few keys (a zone's) is searched
    // key by key; a longer one gets an index, so a lookup never walks thousands of keys.
    struct Section {
        std::string name;
        size_t firstKey;
        size_t keyCount;
        // Lower-cased key name -> index in m_keys of its first key; only for a section of more than kScannedKeys.
        std::unordered_map<std::string, size_t> index;
    };
    static const size_t kScannedKeys = 16;

    struct Builder;
    void AddSection(std::string_view name);
    void AddKey(std::string_view name, std::string_view value, bool hasValue);

    std::vector<Key> m_keys;
    std::vector<Section> m_sections;
    // Lower-cased section name -> index of its first section.
    std::unordered_map<std::string, size_t> m_firstSection;
};

// Reads a file's bytes: false, and no bytes, when it cannot be opened or read. A UTF-16LE file with its byte order
// mark is returned as its text in code page 936.
bool ReadProfileFile(const PathChar* path, std::string& bytes);
// Whether the bytes are a UTF-16LE file with its byte order mark, and their text in code page 936 as
// ReadProfileFile returns it (a character without a GBK form becomes '?').
bool IsUtf16Profile(std::string_view bytes);
std::string GbkFromUtf16Profile(std::string_view bytes);

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
