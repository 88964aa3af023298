// Our profile reader against the platform's (GetPrivateProfileStringA/IntA under Wine): every question the zone
// scan asks of a corpus of tricky files must get the same answer from both. Two platform faults are not compared:
// - when the 31-byte cut splits a GBK character, the platform leaves the buffer's last byte before the terminator
//   unwritten; only the bytes before it are compared;
// - a quoted value whose text between the quotes is exactly one character shorter than the buffer (31 characters
//   for a string, 29 for an integer) loses its last character on the platform; our reader keeps it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "PlatformProfile.h"
#include "catalogue/ProfileReader.h"
#include "catalogue/ZoneCatalogue.h"

namespace {

namespace fs = std::filesystem;

size_t CountChars(std::string_view s)
{
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned char t = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        i += (c >= 0x81 && c <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F) ? 2 : 1;
    }
    return n;
}

// True when the first `limit` bytes of s end inside a two-byte character.
bool CutSplitsChar(std::string_view s, size_t limit)
{
    size_t i = 0;
    while (i < limit && i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned char t = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        i += (c >= 0x81 && c <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F) ? 2 : 1;
    }
    return i > limit;
}

std::string Show(std::string_view s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

// Asks both readers every question, records every disagreement that is not a named platform fault, and answers
// with our reader's value so the scan goes on as the launcher's would.
class ComparingSource : public ProfileSource {
public:
    ComparingSource(const Profile& ours, const std::string& path) : m_ours(ours), m_platform(path) {}

    void ReadString(const char* section, const char* key, char* buffer, size_t size) const override
    {
        ++questions;
        m_ours.ReadString(section, key, buffer, size);
        std::vector<char> theirs(size, '\x7F');
        m_platform.ReadString(section, key, theirs.data(), size);
        std::string_view inner = Inner(section, key);
        if (IsQuoted(section, key) && CountChars(inner) == size - 1) {
            // The platform's answer must be ours short of its last character(s), nothing else.
            ++excludedQuote;
            theirs.back() = '\0';
            size_t kept = std::strlen(theirs.data());
            if (kept >= std::strlen(buffer) || std::memcmp(buffer, theirs.data(), kept) != 0)
                faults.push_back(std::string(section) + "/" + key + ": quoted, ours " + Show(buffer) + ", platform " +
                                 Show(theirs.data()));
            return;
        }
        size_t compared = std::strlen(buffer) + 1;
        if (CutSplitsChar(inner, size - 1)) {
            ++excludedCut;
            compared = size - 2;
            if (theirs[size - 2] == '\x7F')
                ++unwritten;
        }
        if (std::memcmp(buffer, theirs.data(), compared) != 0) {
            theirs.back() = '\0';
            faults.push_back(std::string(section) + "/" + key + ": ours " + Show(buffer) + ", platform " +
                             Show(theirs.data()));
        }
    }
    int ReadInt(const char* section, const char* key, int defaultValue) const override
    {
        ++questions;
        int ours = m_ours.ReadInt(section, key, defaultValue);
        int theirs = m_platform.ReadInt(section, key, defaultValue);
        if (IsQuoted(section, key) && CountChars(Inner(section, key)) == 29) {
            ++excludedQuote;
            return ours;
        }
        if (ours != theirs)
            faults.push_back(std::string(section) + "/" + key + ": ours " + std::to_string(ours) + ", platform " +
                             std::to_string(theirs));
        return ours;
    }

    mutable std::vector<std::string> faults;
    mutable int questions = 0;
    mutable int excludedCut = 0;
    mutable int unwritten = 0;
    mutable int excludedQuote = 0;

private:
    bool IsQuoted(const char* section, const char* key) const
    {
        const auto v = m_ours.FindValue(section, key);
        return v && StripProfileQuotes(*v).size() != v->size();
    }
    std::string_view Inner(const char* section, const char* key) const
    {
        const auto v = m_ours.FindValue(section, key);
        return v ? StripProfileQuotes(*v) : std::string_view();
    }

    const Profile& m_ours;
    PlatformProfile m_platform;
};

// Tricky files built from pieces: header and key spellings, separators, values and line ends drawn at random
// (fixed seed, so a failure repeats).
std::string GenerateProfile(std::mt19937& rng)
{
    auto pick = [&](const std::vector<std::string>& from) -> const std::string& {
        return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
    };
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    // Characters the code page defines (GBK/3 with trail bytes 40-7E, among them '[' and ']', and GB2312): the
    // platform decodes the file, so undefined codes would not come back as they were.
    bool bom = chance(15);
    auto gbk = [&](int chars) {
        std::string s;
        if (bom)
            return std::string(static_cast<size_t>(chars), 'g');
        while (static_cast<int>(s.size()) < 2 * chars) {
            char c[2];
            bool extended = chance(30);
            c[0] = static_cast<char>(
                std::uniform_int_distribution<int>(extended ? 0x81 : 0xB0, extended ? 0xA0 : 0xF7)(rng));
            c[1] = static_cast<char>(
                std::uniform_int_distribution<int>(extended ? 0x40 : 0xA1, extended ? 0x7E : 0xFE)(rng));
            WCHAR wide[2];
            if (::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, c, 2, wide, 2) == 1)
                s.append(c, 2);
        }
        return s;
    };
    const std::vector<std::string> headers = {"[Zone%d]",   "[zone%d]", "[ZONE%d]",  "  [Zone%d]  ", "[Zone%d] ; note",
                                              "[ Zone%d ]", "[Zone%d",  "[Zone%d]]", "[Zone%d]x]",   "\t[Zone%d]\t"};
    const std::vector<std::string> titleKeys = {"ServiceZoneTitle",  "servicezonetitle",  "SERVICEZONETITLE",
                                                " ServiceZoneTitle", "Service ZoneTitle", ";ServiceZoneTitle",
                                                "#ServiceZoneTitle"};
    const std::vector<std::string> seps = {"=", " = ", "\t=\t", "=  ", "==", " =\x0B", "=\x1A"};
    const std::vector<std::string> ends = {"\r\n", "\n", "\n", "\r\n", " \r\n", "\t\n", "\n\n"};
    const std::vector<std::string> ports = {"700",
                                            "+80",
                                            "-5",
                                            "0",
                                            "0x1F",
                                            "0X1F",
                                            "0b101",
                                            "0o17",
                                            "12abc",
                                            "abc",
                                            " 7",
                                            "\"80\"",
                                            "'81'",
                                            "4294967295",
                                            "99999999999",
                                            "0x",
                                            "-",
                                            "",
                                            "08",
                                            "1e3",
                                            "2147483648",
                                            "0xFFFFFFFF",
                                            "\"\"",
                                            "  -0x10",
                                            "00000000000000000000000000000000042",
                                            "\xA1\xA1"
                                            "9"};
    auto value = [&]() -> std::string {
        switch (std::uniform_int_distribution<int>(0, 11)(rng)) {
        case 0: return "";
        case 1: return "10.0.0." + std::to_string(rng() % 256);
        case 2: return "\"" + gbk(3) + " q\"";
        case 3: return "'single'";
        case 4: return "\"unbalanced";
        case 5: return gbk(static_cast<int>(rng() % 24));
        case 6: return "a" + gbk(static_cast<int>(rng() % 20));
        case 7: return std::string(static_cast<size_t>(rng() % 400), 'v');
        case 8: return bom ? "\x0C" + gbk(2) + "\x0C" : "\xA1\xA1" + gbk(2) + "\xA1\xA1"; // ideographic spaces stay
        case 9: return "\"" + std::string(static_cast<size_t>(28 + rng() % 6), 'w') + "\"";
        case 10: return "x\x1C\x1D";
        default: return "  spaced value  ";
        }
    };

    std::string out = bom ? "\xEF\xBB\xBF" : "";
    if (chance(10))
        out += "orphan=before any section\n";
    int zones = std::uniform_int_distribution<int>(1, 16)(rng);
    for (int z = 0; z < zones; ++z) {
        int number = std::uniform_int_distribution<int>(1, 14)(rng);
        char header[64];
        std::snprintf(header, sizeof header, pick(headers).c_str(), number);
        out += header + pick(ends);
        int lines = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int l = 0; l < lines; ++l) {
            int k = std::uniform_int_distribution<int>(1, 4)(rng);
            switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
            case 0: out += pick(titleKeys) + pick(seps) + value(); break;
            case 1: out += "ServiceZoneTitle" + pick(seps) + value(); break;
            case 2: out += (chance(50) ? "AgentIP" : "agentip") + std::to_string(k) + pick(seps) + value(); break;
            case 3: out += (chance(50) ? "Port" : "PORT") + std::to_string(k) + pick(seps) + pick(ports); break;
            case 4: out += "AgentIP" + std::to_string(k); break;
            case 5: out += "=" + value(); break;
            case 6: out += "; Port" + std::to_string(k) + "=9"; break;
            default: out += "Port" + std::to_string(k) + "=" + std::to_string(rng() % 70000); break;
            }
            out += pick(ends);
        }
    }
    if (chance(10)) { // old Mac line ends only
        for (char& c : out) {
            if (c == '\n')
                c = '\r';
        }
    }
    return out;
}

class ProfileDifferential : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        m_dir = fs::path(temp) / ("tarvo-differential-" + std::to_string(::GetCurrentProcessId()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // Writes the bytes to a file of their own (the platform caches profiles by name) and compares the readers.
    void Compare(const std::string& label, const std::string& bytes)
    {
        fs::path path = m_dir / ("case" + std::to_string(m_files++) + ".ini");
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        Profile ours = Profile::FromFile(path.c_str());
        ComparingSource both(ours, path.string());
        ZoneCatalogue zones;
        ScanZoneCatalogue(zones, both);
        m_questions += both.questions;
        m_excludedCut += both.excludedCut;
        m_unwritten += both.unwritten;
        m_excludedQuote += both.excludedQuote;
        for (const std::string& fault : both.faults)
            ADD_FAILURE() << label << ": " << fault;
        if (!both.faults.empty())
            std::printf("%s holds %s\n", label.c_str(), Show(bytes).c_str());
    }

    fs::path m_dir;
    int m_files = 0;
    int m_questions = 0;
    int m_excludedCut = 0;
    int m_unwritten = 0;
    int m_excludedQuote = 0;
};

// Corpus files that show where the launcher reads otherwise than the platform, on purpose, for the catalogue checker
// to report: a UTF-8 byte order mark before text that is not ASCII (the platform decodes the file as UTF-8, GBK after
// the mark becoming '?'; the launcher skips the mark and keeps the bytes), and a carriage return alone in a file that
// also has line feeds (the platform ends a line there, the launcher does not). Also a UTF-16 big-endian file with its
// mark: Wine's reader decodes it, the launcher's reads its bytes (and the checker reports the file).
const char* const kReadOtherwiseOnPurpose[] = {"check_utf8_bom_chinese.ini",        "check_utf8_bom_then_gbk.ini",
                                               "check_gbk_reads_as_latin1_bom.ini", "check_utf16_big_endian.ini",
                                               "reader_cr_inside_value.ini",        "reader_lone_cr.ini"};

TEST_F(ProfileDifferential, HandWrittenCorpusAnswersAsThePlatform)
{
    std::error_code missing;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TARVO_TEST_DATA_DIR) / "catalogue", missing)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".ini" ||
            std::find(std::begin(kReadOtherwiseOnPurpose), std::end(kReadOtherwiseOnPurpose), name) !=
                std::end(kReadOtherwiseOnPurpose))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Compare(entry.path().filename().string(), bytes);
        ++files;
    }
    EXPECT_GT(files, 10);
    std::printf("%d files, %d questions, %d cut-byte exclusions (%d left unwritten), %d quote exclusions\n", files,
                m_questions, m_excludedCut, m_unwritten, m_excludedQuote);
}

TEST_F(ProfileDifferential, GeneratedFilesAnswerAsThePlatform)
{
    std::mt19937 rng(20261208);
    const int files = 300;
    for (int i = 0; i < files; ++i)
        Compare("generated #" + std::to_string(i), GenerateProfile(rng));
    EXPECT_GT(m_questions, files * 10);
    std::printf("%d files, %d questions, %d cut-byte exclusions (%d left unwritten), %d quote exclusions\n", files,
                m_questions, m_excludedCut, m_unwritten, m_excludedQuote);
}

} // namespace
