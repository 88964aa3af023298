// The profile reader, the zone scan and the title lookup, without any platform call.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "catalogue/ProfileReader.h"
#include "catalogue/ZoneCatalogue.h"
#include "zonecheck/ZoneCheck.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// One line per zone: the title, then a tab and "address:port" for each server.
std::string Describe(const ZoneCatalogue& zones)
{
    std::string out;
    for (const ZoneInfo& zone : zones) {
        out += zone.title;
        for (const ServerEntry& server : zone.servers)
            out += "\t" + server.address + ":" + std::to_string(server.port);
        out += "\n";
    }
    return out;
}

// Each tests/data/catalogue/<case>.ini is scanned and compared with <case>.expected.
TEST(ZoneScan, CorpusYieldsTheExpectedCatalogues)
{
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TARVO_TEST_DATA_DIR) / "catalogue")) {
        fs::path expected = entry.path();
        if (entry.path().extension() != ".ini" || !fs::exists(expected.replace_extension(".expected")))
            continue;
        ZoneCatalogue zones(1);
        ScanZoneCatalogue(zones, Profile::FromFile(entry.path().c_str()));
        EXPECT_EQ(ReadBytes(expected), Describe(zones)) << entry.path().filename();
        ++cases;
    }
    EXPECT_GE(cases, 20);
}

// Records the questions the scan asks, answering from a profile.
class RecordingSource : public ProfileSource {
public:
    explicit RecordingSource(const char* text) : m_profile(Profile::FromBytes(text)) {}
    void ReadString(const char* section, const char* key, char* buffer, size_t size) const override
    {
        asked += std::string(section) + "/" + key + " ";
        m_profile.ReadString(section, key, buffer, size);
    }
    int ReadInt(const char* section, const char* key, int defaultValue) const override
    {
        asked += std::string(section) + "/" + key + " ";
        return m_profile.ReadInt(section, key, defaultValue);
    }
    mutable std::string asked;

private:
    Profile m_profile;
};

TEST(ZoneScan, AsksOnlyWhatTheRuleReads)
{
    RecordingSource source("[Zone1]\nServiceZoneTitle=A\nAgentIP1=h\nPort1=1\nAgentIP3=x\nPort3=3\n"
                           "[Zone3]\nServiceZoneTitle=C\nAgentIP1=h\nPort1=0\nAgentIP2=y\nPort2=2\n");
    ZoneCatalogue zones;
    ScanZoneCatalogue(zones, source);
    std::string expected = "Zone1/ServiceZoneTitle Zone1/AgentIP1 Zone1/Port1 Zone1/AgentIP2 "
                           "Zone2/ServiceZoneTitle "
                           "Zone3/ServiceZoneTitle Zone3/AgentIP1 Zone3/Port1 ";
    for (int n = 4; n <= 13; ++n)
        expected += "Zone" + std::to_string(n) + "/ServiceZoneTitle ";
    EXPECT_EQ(expected, source.asked);
    EXPECT_EQ("A\th:1\nC\n", Describe(zones));
}

TEST(ZoneScan, FileWithoutZonesTriesElevenNumbers)
{
    RecordingSource source("");
    ZoneCatalogue zones;
    ScanZoneCatalogue(zones, source);
    EXPECT_TRUE(zones.empty());
    EXPECT_NE(std::string::npos, source.asked.find("Zone11/ServiceZoneTitle "));
    EXPECT_EQ(std::string::npos, source.asked.find("Zone12/"));
}

TEST(ZoneLookup, FindsTheFirstExactMatch)
{
    ZoneCatalogue zones;
    ScanZoneCatalogue(
        zones, Profile::FromBytes("[Zone1]\nServiceZoneTitle=East\n[Zone2]\nServiceZoneTitle=West\n"
                                  "[Zone3]\nServiceZoneTitle=East\n[Zone4]\nServiceZoneTitle=\xB5\xE7\xD0\xC5\n"));
    ASSERT_EQ(4u, zones.size());
    const struct {
        const char* title;
        int expected;
    } cases[] = {
        {"East", 0},
        {"West", 1},
        {"\xB5\xE7\xD0\xC5", 3},
        {"east", kZoneNotFound},
        {"East ", kZoneNotFound},
        {" East", kZoneNotFound},
        {"Eas", kZoneNotFound},
        {"", kZoneNotFound},
        {"\xB5\xE7", kZoneNotFound},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FindZoneByTitle(zones, c.title)) << c.title;
    EXPECT_EQ(kZoneNotFound, FindZoneByTitle(ZoneCatalogue(), "East"));
}

class ZoneLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarvo-zone-load-" + std::to_string(reinterpret_cast<uintptr_t>(this)) +
                                             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    fs::path m_dir;
};

TEST_F(ZoneLoad, ReadsAgentIpIniOfTheDirectoryAndClearsTheOldCatalogue)
{
    std::ofstream(m_dir / "AgentIP.ini", std::ios::binary) << "[Zone1]\r\nServiceZoneTitle=Only\r\n";
    ZoneCatalogue zones(3);
    LoadZoneCatalogue(zones, m_dir.c_str());
    EXPECT_EQ("Only\n", Describe(zones));
}

TEST_F(ZoneLoad, ReadsFromADirectoryWithAChineseName)
{
#ifdef _WIN32
    // The folder's name is UTF-16 on Windows, whatever the system's code page.
    const std::wstring dir = m_dir.wstring() + L"\\\u6E38\u620F";
    ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
    std::FILE* file = _wfopen((dir + L"\\AgentIP.ini").c_str(), L"wb");
#else
    const std::string dir = m_dir.string() + "/\xD3\xCE\xCF\xB7";
    ASSERT_EQ(0, ::mkdir(dir.c_str(), 0755));
    std::FILE* file = std::fopen((dir + "/AgentIP.ini").c_str(), "wb");
#endif
    ASSERT_NE(nullptr, file);
    std::fputs("[Zone1]\r\nServiceZoneTitle=\xB5\xE7\xD0\xC5\r\n", file);
    std::fclose(file);
    ZoneCatalogue zones;
    LoadZoneCatalogue(zones, dir.c_str());
    EXPECT_EQ("\xB5\xE7\xD0\xC5\n", Describe(zones));
}

TEST_F(ZoneLoad, NoDirectoryOrNoFileLeavesTheCatalogueEmpty)
{
    ZoneCatalogue zones(2);
    LoadZoneCatalogue(zones, m_dir.c_str());
    EXPECT_TRUE(zones.empty());
    zones.resize(2);
    LoadZoneCatalogue(zones, nullptr);
    EXPECT_TRUE(zones.empty());
    zones.resize(2);
    LoadZoneCatalogue(zones, std::basic_string<PathChar>().c_str());
    EXPECT_TRUE(zones.empty());
}

// Reader details the scan relies on, one row each: file text, section, key, buffer size, expected string.
TEST(ProfileReader, ReadsStringsAsThePlatformDoes)
{
    const struct {
        std::string_view text;
        const char* section;
        const char* key;
        size_t size;
        const char* expected;
    } rows[] = {
        {"[S]\nk=v\n", "S", "k", 32, "v"},
        {"[S]\nk=v\n", "s", "K", 32, "v"},
        {"[S]\nk=v\n", "S", "missing", 32, ""},
        {"[S]\nk=v\n", "T", "k", 32, ""},
        {"[S]\nk=abcdef\n", "S", "k", 4, "abc"},
        {"[S]\nk=abcdef\n", "S", "k", 1, ""},
        {"[S]\nk=\"abc\"\n", "S", "k", 32, "abc"},
        {"[S]\nk=\"abcdef\"\n", "S", "k", 4, "abc"},
        // The platform drops the last character of a quoted text that fills the buffer exactly; ours keeps it.
        {"[S]\nk=\"abc\"\n", "S", "k", 4, "abc"},
        {"[S]\nk=\"\n", "S", "k", 32, "\""},
        {"[S]\nk=\"a'\n", "S", "k", 32, "\"a'"},
        {"[S]\n k \t= \t v w \t\r\n", "S", "k", 32, "v w"},
        {"[S]\nk=v\0w\n"sv, "S", "k", 32, "v"},
        {"[S]\nk\nk=v\n", "S", "k", 32, ""},
        {"[S]\nk=1\n[S]\nj=2\n", "S", "j", 32, ""},
        {"k=top\n[S]\n", "", "k", 32, "top"},
        {"[S]\r\nk=\xA1\xA1v\xA1\xA1\r\n", "S", "k", 32, "\xA1\xA1v\xA1\xA1"},
        {"[ S\t]\nk=v\n", "S", "k", 32, "v"},
        {"[S]]\nk=v\n", "S", "k", 32, ""},
        {"[S]\r\nk=\xA1v\xA1\r\n", "S", "k", 32, "\xA1v\xA1"},
    };
    for (const auto& r : rows) {
        Profile profile = Profile::FromBytes(r.text);
        char buffer[64];
        std::memset(buffer, 'X', sizeof buffer);
        profile.ReadString(r.section, r.key, buffer, r.size);
        EXPECT_STREQ(r.expected, buffer) << std::string(r.text) << " [" << r.section << "] " << r.key;
    }
}

// A section of a few keys is searched key by key, a longer one through an index: both read alike, on either side
// of the length where the reader changes from one to the other, and no key leaks into the next section.
TEST(ProfileReader, LongSectionsReadAsShortOnes)
{
    for (int keys : {13, 14, 40}) {
        std::string text = "[S]\n";
        for (int k = 0; k < keys; ++k)
            text += "k" + std::to_string(k) + "=v" + std::to_string(k) + "\n";
        text += "K3=again\nbare\nbare=late\n[T]\nt=1\n[S]\nlate=no\n";
        const Profile profile = Profile::FromBytes(text);
        const auto read = [&](const char* section, const std::string& key) {
            char buffer[32];
            profile.ReadString(section, key.c_str(), buffer, sizeof buffer);
            return std::string(buffer);
        };
        const std::string last = "K" + std::to_string(keys - 1);
        EXPECT_EQ(read("S", "k0"), "v0") << keys << " keys";
        EXPECT_EQ(read("s", "k3"), "v3") << keys << " keys: the first of two wins";
        EXPECT_EQ(read("S", last), "v" + std::to_string(keys - 1)) << keys << " keys";
        EXPECT_EQ(read("S", "bare"), "") << keys << " keys: the first is without a value";
        EXPECT_EQ(read("S", "t"), "") << keys << " keys: a key of the next section";
        EXPECT_EQ(read("S", "late"), "") << keys << " keys: a key of the repeated section";
        EXPECT_EQ(read("T", "t"), "1") << keys << " keys";
        EXPECT_EQ(read("T", "k0"), "") << keys << " keys";
    }
}

TEST(ProfileReader, ReadsIntegersAsThePlatformDoes)
{
    const struct {
        const char* text;
        int expected;
    } rows[] = {
        {"700", 700},
        {"+80", 80},
        {"-5", -5},
        {"0", 0},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {" \t7", 7},
        {"0x1F", 31},
        {"0xff", 255},
        {"0X1F", 0},
        {"-0x10", -16},
        {"0x", 0},
        {"0b101", 5},
        {"0o17", 15},
        {"08", 8},
        {"1e3", 1},
        {"2147483647", 2147483647},
        {"2147483648", -2147483647 - 1},
        {"4294967295", -1},
        {"4294967296", 0},
        {"--1", 0},
        {"+-1", 0},
        {"\xB5\xE7"
         "1",
         0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.expected, ParseProfileInt(r.text)) << r.text;

    const struct {
        const char* value;
        int expected;
    } stored[] = {
        {"\"80\"", 80},
        {"'81'", 81},
        {"\"\"", 42},
        {"", 42},
    };
    for (const auto& r : stored) {
        Profile profile = Profile::FromBytes(std::string("[S]\nk=") + r.value + "\n");
        EXPECT_EQ(r.expected, profile.ReadInt("S", "k", 42)) << r.value;
    }
    // The platform reads at most 29 characters of an integer.
    EXPECT_EQ(1, Profile::FromBytes("[S]\nk=" + std::string(28, '0') + "1234\n").ReadInt("S", "k", 42));
    EXPECT_EQ(42, Profile::FromBytes("[S]\nk\n").ReadInt("S", "k", 42));
    EXPECT_EQ(42, Profile::FromBytes("").ReadInt("S", "k", 42));
}

// The checker's encoding finding on one-zone catalogues: the kinds of its encoding findings for the title's bytes.
std::string EncodingFindings(const std::string& title, bool mark = false)
{
    const std::string file = std::string(mark ? "\xEF\xBB\xBF" : "") + "[Zone1]\r\nServiceZoneTitle=" + title +
                             "\r\nAgentIP1=10.0.0.1\r\nPort1=700\r\n";
    std::string kinds;
    for (const Finding& finding : CheckCatalogue(file).findings) {
        if (std::string(finding.kind).rfind("not_gbk", 0) == 0)
            kinds += std::string(kinds.empty() ? "" : " ") + finding.kind;
    }
    return kinds;
}

std::string Gbk(int code)
{
    return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// GB2312 Chinese is never taken for UTF-8, whatever UTF-8 would make of its bytes: rows C2-C3 read in UTF-8 as
// Latin-1 signs and letters (忙碌 as "æµ"), others as letters of rare scripts. Every character of C2A1-C3BF alone,
// in pairs and beside a server name and digits, with and without a UTF-8 mark; every GB2312 character alone, and
// random pairs and triples of them.
TEST(EncodingFinding, NoneOnGb2312Chinese)
{
    std::vector<int> rows, all;
    for (int lead = 0xC2; lead <= 0xC3; ++lead) {
        for (int trail = 0xA1; trail <= (lead == 0xC3 ? 0xBF : 0xFE); ++trail)
            rows.push_back(lead << 8 | trail);
    }
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail)
            all.push_back(lead << 8 | trail);
    }
    std::vector<std::string> titles;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string one = Gbk(rows[i]), two = one + Gbk(rows[(i * 7 + 1) % rows.size()]);
        for (const std::string& title : {one, two, two + Gbk(rows[(i * 13 + 5) % rows.size()]), "S1 " + two,
                                         two + " S1", "S1" + two, two + "1", "1" + one, two + "S1", one + "Sky"})
            titles.push_back(title);
    }
    std::mt19937 random(30);
    for (size_t i = 0; i < all.size(); ++i) {
        titles.push_back(Gbk(all[i]));
        titles.push_back(Gbk(all[i]) + Gbk(all[random() % all.size()]));
        titles.push_back(Gbk(all[random() % all.size()]) + Gbk(all[i]) + Gbk(all[random() % all.size()]));
    }
    // Named in reports of false findings: 忙碌, 露露, 茫茫, 唷班啊, 帷丂 (丂 from GBK beyond GB2312).
    for (const char* named :
         {"\xC3\xA6\xC2\xB5", "\xC2\xB6\xC2\xB6", "\xC3\xA3\xC3\xA3", "\xE0\xA1\xB0\xE0\xB0\xA1", "\xE1\xA1\x81\x40"})
        titles.push_back(named);
    int wrong = 0;
    for (const std::string& title : titles) {
        for (bool mark : {false, true}) {
            const std::string kinds = EncodingFindings(title, mark);
            if (!kinds.empty() && ++wrong <= 10)
                ADD_FAILURE() << "GBK title " << ::testing::PrintToString(title) << (mark ? " after a mark" : "")
                              << ": " << kinds;
        }
    }
    EXPECT_EQ(0, wrong) << "of " << titles.size() * 2;
}

// UTF-8 titles in Latin, Chinese, Cyrillic, Greek, Japanese and Korean are found, with and without the mark; the
// hard cases are accented letters inside Latin words, whose bytes are GB2312 Chinese too (Café reads Caf茅).
TEST(EncodingFinding, FoundOnUtf8InAnyScript)
{
    const char* const titles[] = {
        "Caf\xC3\xA9",                                                  // Café
        "Z\xC3\xBCrich",                                                // Zürich
        "S\xC3\xA3o Paulo",                                             // São Paulo
        "CAF\xC3\x89",                                                  // CAFÉ
        "Rh\xC3\xB4ne 2",                                               // Rhône 2
        "\xE7\x94\xB5\xE4\xBF\xA1\xE4\xB8\x80\xE5\x8C\xBA",             // 电信一区
        "\xE5\xBF\x99\xE7\xA2\x8C",                                     // 忙碌
        "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",             // Москва
        "\xD0\xBB\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBD",                     // лимон (every byte pair GB2312 too)
        "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1",                     // Αθήνα
        "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x82\xB5\xE3\x83\xBC\xE3\x83\x90", // 東京サーバ
        "\xEC\x84\x9C\xEC\x9A\xB8 1",                                   // 서울 1
    };
    for (const char* title : titles) {
        EXPECT_EQ("not_gbk_utf8", EncodingFindings(title)) << title;
        EXPECT_EQ("not_gbk_utf8_bom", EncodingFindings(title, true)) << title;
    }
}

} // namespace
