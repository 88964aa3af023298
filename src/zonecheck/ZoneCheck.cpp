#include "zonecheck/ZoneCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "catalogue/ProfileReader.h"
#include "handoff/PatchClientArguments.h"
#include "text/CodePage936.h"
#include "zonecheck/Encoding.h"

const char* const kValueMark = "{}";

namespace {

const size_t kKept = 31; // bytes the launcher keeps of a title or an address

// The number n of a name "<prefix><n>" as the launcher writes it ("%d", n >= 1, no leading zero, any letter case),
// or 0 when the name is not of that form.
int NumberedName(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 ||
        LowerAscii(name.substr(0, prefix.size())) != prefix)
        return 0;
    std::string_view digits = name.substr(prefix.size());
    if (digits[0] == '0')
        return 0;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool IsComment(std::string_view name)
{
    return !name.empty() && (name[0] == ';' || name[0] == '#');
}

// Answers the scan from the profile and remembers which zone sections it asked for a title, in order.
class TitleRecorder : public ProfileSource {
public:
    explicit TitleRecorder(const Profile& profile) : m_profile(profile) {}
    void ReadString(const char* section, const char* key, char* buffer, size_t size) const override
    {
        m_profile.ReadString(section, key, buffer, size);
        if (std::strcmp(key, "ServiceZoneTitle") == 0)
            asked.emplace_back(section, buffer[0] != '\0');
    }
    int ReadInt(const char* section, const char* key, int defaultValue) const override
    {
        return m_profile.ReadInt(section, key, defaultValue);
    }
    mutable std::vector<std::pair<std::string, bool>> asked; // section, title found

private:
    const Profile& m_profile;
};

bool IsPlainNumber(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a plain number (its digits, and whether a minus sign stands before them) is beyond what the reader's integer
// holds, so that what the launcher reads is not it.
bool Wraps(std::string_view digits, bool negative = false)
{
    const uint64_t largest = 2147483647u + (negative ? 1u : 0u);
    uint64_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > largest)
            return true;
    }
    return false;
}

// A title that shows nothing in the list: blanks, control characters and the ideographic space (A1 A1) only.
bool IsInvisible(std::string_view title)
{
    for (size_t i = 0; i < title.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        if (c == 0xA1 && i + 1 < title.size() && static_cast<unsigned char>(title[i + 1]) == 0xA1)
            ++i;
        else if (c > ' ' && c != 0x7F)
            return false;
    }
    return true;
}

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string HexByte(unsigned char c)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", c);
    return hex;
}

// What the reader reads of a port: its first 29 characters (the platform's integer buffer).
const size_t kPortRead = 29;

// UTF-16 without its byte order mark, told by its zero bytes: text in any script has one every second byte in one
// of the two places (little-endian: after each ASCII character). 0 when the bytes are not such a file, 1 for
// little-endian, 2 for big-endian (which the launcher does not read even with its mark).
int Utf16WithoutMark(std::string_view bytes)
{
    if (bytes.size() >= 2 && std::memcmp(bytes.data(), "\xFE\xFF", 2) == 0)
        return 2;
    size_t zeros[2] = {0, 0};
    for (size_t i = 0; i < bytes.size(); ++i)
        zeros[i % 2] += bytes[i] == '\0' ? 1 : 0;
    const size_t units = bytes.size() / 2;
    if (units < 2)
        return 0;
    if (zeros[1] * 4 >= units * 3 && zeros[0] * 10 <= zeros[1])
        return 1;
    if (zeros[0] * 4 >= units * 3 && zeros[1] * 10 <= zeros[0])
        return 2;
    return 0;
}

class Checker {
public:
    explicit Checker(std::string_view bytes) : m_bytes(bytes), m_profile(Profile::FromBytes(bytes)) {}

    // A UTF-16 file's characters that code page 936 lacks: the launcher reads another character (mostly '?') in
    // their place. One finding per line, lines counted as the reader counts those of the converted text: at LF,
    // and at CR after the last LF.
    void CheckUtf16Characters(std::string_view file)
    {
        size_t units = (file.size() - 2) / 2;
        auto unitAt = [&](size_t i) {
            char16_t unit;
            std::memcpy(&unit, file.data() + 2 + 2 * i, 2);
            return unit;
        };
        size_t lastLineFeed = units;
        for (size_t i = units; i-- > 0;) {
            if (unitAt(i) == u'\n') {
                lastLineFeed = i;
                break;
            }
        }
        int line = 1;
        int lastLine = 0;
        for (size_t i = 0; i < units; ++i) {
            char16_t unit[2] = {unitAt(i), 0};
            if (unit[0] == u'\n' || (unit[0] == u'\r' && (lastLineFeed == units || i > lastLineFeed)))
                ++line;
            if (unit[0] < 0x80 || line == lastLine)
                continue;
            size_t count = 1;
            if (unit[0] >= 0xD800 && unit[0] <= 0xDBFF && i + 1 < units) {
                unit[1] = unitAt(i + 1);
                count = unit[1] >= 0xDC00 && unit[1] <= 0xDFFF ? 2 : 1;
            }
            i += count - 1;
            // A pair of surrogates is never in code page 936, nor is a lone one.
            if (count == 1 && !(unit[0] >= 0xD800 && unit[0] <= 0xDFFF) && m_table.HasGbkCode(unit[0]))
                continue;
            char code[16];
            const uint32_t c = count == 2 ? 0x10000 + ((unit[0] - 0xD800u) << 10) + (unit[1] - 0xDC00u) : unit[0];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            Add("no_gbk_code", std::string(), line,
                std::string("character ") + code + " has no GBK code: the launcher reads " + kValueMark +
                    " in its place",
                text::GbkFromUtf16(unit, count));
            lastLine = line;
        }
    }

    CatalogueCheck Run()
    {
        // A UTF-16 file read byte for byte: one finding says it all; its zero bytes and line ends would only add
        // noise to the findings of a text file.
        const int utf16 = Utf16WithoutMark(m_bytes);
        if (utf16 == 1) {
            Add("utf16_without_mark", std::string(), 1,
                "the file is UTF-16 without its byte order mark: the launcher reads it byte for byte and finds none "
                "of its names; save it as GBK");
        } else if (utf16 == 2) {
            Add("utf16_big_endian", std::string(), 1,
                "the file is UTF-16 big-endian: the launcher reads it byte for byte and finds none of its names; "
                "save it as GBK");
        } else {
            CheckEncoding();
            CheckLoneCarriageReturns();
        }
        TitleRecorder recorder(m_profile);
        ZoneCatalogue zones;
        ScanZoneCatalogue(zones, recorder);

        size_t row = 0;
        for (const auto& asked : recorder.asked) {
            const size_t section = m_profile.FindSection(asked.first);
            if (!asked.second) {
                // A section found by a zone's name is named "zone" in some letter case and digits: safe to print.
                if (section != Profile::kNone) {
                    const std::string name(m_profile.SectionName(section));
                    Add("zone_without_title", name, m_profile.SectionLine(section),
                        "no title: the launcher counts " + name + " as a missing zone number");
                }
                continue;
            }
            CheckedZone checked{static_cast<int>(row + 1), std::string(m_profile.SectionName(section)), zones[row],
                                PatchClientCommandLine(BuildPatchClientArguments(zones[row]))};
            CheckZone(checked, section);
            m_check.zones.push_back(std::move(checked));
            ++row;
        }
        const std::string& lastAsked = recorder.asked.back().first;
        CheckSections(lastAsked, NumberedName(lastAsked, "zone"));
        if (zones.empty())
            Add("no_zones", std::string(), 0,
                "the launcher lists no zone: it shows its catalogue error message and ends");

        std::stable_sort(m_check.findings.begin(), m_check.findings.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        return std::move(m_check);
    }

private:
    // Keeps at most kListedPerKind findings of a kind and counts the others, so a huge file's report stays small.
    void Add(const char* kind, const std::string& section, int line, std::string message,
             std::string_view value = std::string_view(), bool valueAsPassedOn = false)
    {
        size_t& count = m_countOfKind[kind];
        if (++count <= kListedPerKind) {
            m_check.findings.push_back(
                Finding{kind, section, line, std::move(message), std::string(value), valueAsPassedOn});
            return;
        }
        if (count == kListedPerKind + 1)
            m_check.unlisted.emplace_back(kind, 0);
        for (auto& unlisted : m_check.unlisted) {
            if (std::strcmp(unlisted.first, kind) == 0)
                ++unlisted.second;
        }
    }

    // The line's key or 0 when the section has no such key.
    int LineOf(size_t section, std::string_view key) const
    {
        const size_t found = m_profile.FindKey(section, key);
        return found == Profile::kNone ? 0 : m_profile.KeyAt(section, found).line;
    }

    // Decides GBK or UTF-8 on the whole file's evidence. Each line with bytes beyond ASCII reads as GBK, as UTF-8,
    // as both or as neither. A line that reads one way only tells the file's encoding; a line that reads both ways
    // goes to the reading that makes more sense of it (see encoding::ReadLine), tipped towards the encoding the
    // file's one-way lines show or, in a file of such lines alone, the reading that makes more sense of all of
    // them together. A tie is GBK unless the file leans to UTF-8: the launcher reads GBK, and re-saving a right
    // file would break it.
    void CheckEncoding()
    {
        struct Evidence {
            size_t utf8Only = 0, gbkOnly = 0;
            long long utf8Score = 0, gbkScore = 0; // of the lines that read both ways
        } evidence;
        ForEachLineBeyondAscii([&](std::string_view, int, const encoding::LineReading& reading) {
            if (reading.utf8 && !reading.gbk)
                ++evidence.utf8Only;
            else if (reading.gbk && !reading.utf8)
                ++evidence.gbkOnly;
            else if (reading.gbk && reading.utf8) {
                evidence.utf8Score += reading.utf8Score;
                evidence.gbkScore += reading.gbkScore;
            }
        });
        const bool leansUtf8 = evidence.utf8Only > 0  ? evidence.gbkOnly == 0
                               : evidence.gbkOnly > 0 ? false
                                                      : evidence.utf8Score > evidence.gbkScore;
        const int tip = evidence.utf8Only > 0 && evidence.gbkOnly > 0 ? 0 : leansUtf8 ? 3 : -3;

        size_t utf8Lines = 0, gbkLines = 0;
        int firstUtf8 = 0, firstGbk = 0;
        ForEachLineBeyondAscii([&](std::string_view text, int line, const encoding::LineReading& reading) {
            bool utf8 = reading.utf8;
            if (reading.utf8 && reading.gbk)
                utf8 = reading.utf8Score + tip > reading.gbkScore ||
                       (reading.utf8Score + tip == reading.gbkScore && tip > 0);
            if (utf8) {
                firstUtf8 = utf8Lines++ == 0 ? line : firstUtf8;
            } else if (reading.gbk) {
                firstGbk = gbkLines++ == 0 ? line : firstGbk;
            } else {
                Add("not_gbk_bytes", std::string(), line,
                    "byte " + HexByte(static_cast<unsigned char>(text[reading.badGbkByte])) +
                        " starts no GBK character: the launcher shows a stray sign for it");
            }
        });
        if (utf8Lines == 0)
            return;
        const bool bom = m_bytes.substr(0, 3) == "\xEF\xBB\xBF";
        if (gbkLines > 0)
            Add("not_gbk_utf8_mixed", std::string(), firstUtf8,
                "the file mixes UTF-8 (" + Plural(utf8Lines, "line", "lines") + ", the first here) and GBK (" +
                    Plural(gbkLines, "line", "lines") + ", the first at line " + std::to_string(firstGbk) +
                    "): the launcher shows the UTF-8 texts as mojibake; save those lines as GBK");
        else if (bom)
            // The reader skips a UTF-8 byte order mark; the text after it is what the launcher shows.
            Add("not_gbk_utf8_bom", std::string(), 1,
                "the file is UTF-8 with a byte order mark: the launcher shows its texts as mojibake; save it as GBK");
        else
            Add("not_gbk_utf8", std::string(), firstUtf8,
                "the file is UTF-8: the launcher shows its texts as mojibake; save it as GBK");
    }

    // Calls visit(text, line, reading) for each of the reader's lines that holds a byte beyond ASCII.
    template <class Visit>
    void ForEachLineBeyondAscii(const Visit& visit)
    {
        ProfileLines lines(m_bytes);
        size_t begin = 0, end = 0;
        int line = 0;
        while (lines.Next(begin, end)) {
            ++line;
            const std::string_view text = m_bytes.substr(begin, end - begin);
            if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                continue;
            visit(text, line, encoding::ReadLine(text, m_table));
        }
    }

    // Where the reader ends lines at LF, a carriage return elsewhere is part of the line, though editors may break
    // the line at it; after the last LF the reader too ends lines at CR. One finding per line that holds some.
    void CheckLoneCarriageReturns()
    {
        ProfileLines lines(m_bytes);
        size_t begin = 0, end = 0;
        int line = 0;
        while (lines.Next(begin, end)) {
            ++line;
            size_t lone = 0;
            for (size_t i = begin; i < end; ++i)
                lone += m_bytes[i] == '\r' && (i + 1 < end || end == m_bytes.size() || m_bytes[end] != '\n');
            if (lone > 0)
                Add("lone_carriage_return", std::string(), line,
                    Plural(lone, "carriage return", "carriage returns") + " without a line feed in the line " +
                        kValueMark +
                        ": an editor may break the line there, the launcher reads one line (line numbers here "
                        "count as the launcher does)",
                    m_bytes.substr(begin, end - begin));
        }
    }

    void CheckZone(const CheckedZone& checked, size_t section)
    {
        const std::string& name = checked.section;
        const int titleLine = LineOf(section, "ServiceZoneTitle");
        const std::string_view title = StripProfileQuotes(*m_profile.FindValue(name, "ServiceZoneTitle"));
        const std::string kept(title.substr(0, kKept));
        const std::string shown = kept.substr(0, text::WholeGbkCharacters(kept));
        if (title.size() > kKept) {
            if (shown.size() < kept.size())
                Add("title_cut_in_character", name, titleLine,
                    std::string("title longer than 31 bytes, cut inside a character: shows ") + kValueMark, shown);
            else
                Add("title_cut", name, titleLine, std::string("title longer than 31 bytes: shows ") + kValueMark,
                    shown);
        }
        if (IsInvisible(shown))
            Add("title_blank", name, titleLine,
                std::string("the title ") + kValueMark + " shows nothing visible: players see an empty row", kept);
        auto first = m_rowOfTitle.emplace(checked.zone.title, m_check.zones.size());
        auto looksAlike = m_rowOfShownTitle.emplace(shown, m_check.zones.size());
        if (!first.second) {
            const CheckedZone& earlier = m_check.zones[first.first->second];
            Add("duplicate_title", name, titleLine,
                "same title as row " + std::to_string(earlier.row) + " (" + earlier.section +
                    "): this zone can never be started, choosing it starts the earlier one");
        } else if (!looksAlike.second) {
            const CheckedZone& earlier = m_check.zones[looksAlike.first->second];
            Add("title_looks_alike", name, titleLine,
                std::string("the title shows as ") + kValueMark + ", as row " + std::to_string(earlier.row) + " (" +
                    earlier.section +
                    ") does once the half character is cut: players cannot tell the two apart, and the "
                    "launcher finds only one of them by the text shown",
                shown);
        }

        // The keys of the servers read, found in one pass over the section's keys (a zone may have thousands of
        // servers, and a lookup each would cost a jump through memory each): AgentIP<k> and Port<k> by number.
        const std::vector<ServerEntry>& servers = checked.zone.servers;
        std::vector<size_t> addressKeys(servers.size() + 1, Profile::kNone), portKeys(servers.size() + 1);
        for (size_t i = 0; i < m_profile.KeyCount(section) && !servers.empty(); ++i) {
            const std::string_view key = m_profile.KeyAt(section, i).name;
            const size_t address = static_cast<size_t>(NumberedName(key, "agentip"));
            const size_t port = static_cast<size_t>(NumberedName(key, "port"));
            if (address >= 1 && address <= servers.size())
                addressKeys[address] = i;
            else if (port >= 1 && port <= servers.size())
                portKeys[port] = i;
        }
        for (size_t k = 1; k <= servers.size(); ++k)
            CheckServer(name, k, m_profile.KeyAt(section, addressKeys[k]), m_profile.KeyAt(section, portKeys[k]),
                        servers[k - 1].port);
        CheckListEnd(checked, section, titleLine);
    }

    // Why the zone's server list ended, and what it left unread: one finding for one fault.
    void CheckListEnd(const CheckedZone& checked, size_t section, int titleLine)
    {
        const std::string& name = checked.section;
        const size_t count = checked.zone.servers.size();
        const size_t end = count + 1;
        const std::string address = "AgentIP" + std::to_string(end);
        const std::string port = "Port" + std::to_string(end);

        size_t lastNumber = 0;
        int lastLine = 0;
        for (size_t k = 0; k < m_profile.KeyCount(section); ++k) {
            const Profile::KeyLine key = m_profile.KeyAt(section, k);
            const int n = std::max(NumberedName(key.name, "agentip"), NumberedName(key.name, "port"));
            if (n > 0 && static_cast<size_t>(n) > end && static_cast<size_t>(n) > lastNumber) {
                lastNumber = static_cast<size_t>(n);
                lastLine = key.line;
            }
        }
        std::string lost;
        if (lastNumber > 0)
            lost = lastNumber == end + 1
                       ? "server " + std::to_string(lastNumber) + " is never read"
                       : "servers " + std::to_string(end + 1) + " to " + std::to_string(lastNumber) + " are never read";
        if (count == 0)
            lost += lost.empty() ? "the zone has no server: the patch client gets none"
                                 : "; the zone has no server: the patch client gets none";
        const std::string consequence = lost.empty() ? std::string() : "; " + lost;

        const auto storedAddress = m_profile.FindValue(name, address);
        const auto storedPort = m_profile.FindValue(name, port);
        const std::string_view portText = storedPort ? StripProfileQuotes(*storedPort) : std::string_view();
        const std::string addressWhy = m_profile.FindKey(section, address) == Profile::kNone ? address + " is missing"
                                       : !storedAddress                                      ? address + " has no '='"
                                                                                             : address + " is empty";
        if (storedAddress && !StripProfileQuotes(*storedAddress).empty()) {
            CheckEndingPort(name, section, port, consequence);
        } else if (!portText.empty()) {
            Add("server_without_address", name, LineOf(section, port),
                port + " is " + kValueMark + " but " + addressWhy + ": the server list ends at server " +
                    std::to_string(end) + consequence,
                portText);
        } else if (lastNumber > 0) {
            Add("servers_ended_early", name, lastLine,
                "the server list ends at server " + std::to_string(end) + " (" + addressWhy + "): " + lost);
        } else if (count == 0) {
            Add("zone_without_servers", name, titleLine, "no server (" + addressWhy + "): the patch client gets none");
        }
    }

    // What the reader makes of a port's text other than the number written: "port_cut" for a number longer than
    // the 29 characters it reads, "port_wraps" for one beyond what its integer holds, "port_not_number" for text
    // that is no number; nullptr for a number read as written. A number may carry a minus sign.
    static const char* PortFault(std::string_view text)
    {
        const bool negative = text[0] == '-';
        const std::string_view digits = negative ? text.substr(1) : text;
        if (!IsPlainNumber(digits))
            return "port_not_number";
        if (text.size() > kPortRead && digits.find_first_not_of('0') != std::string_view::npos)
            return "port_cut";
        return Wraps(digits, negative) ? "port_wraps" : nullptr;
    }

    // The port that ended a list whose address was there.
    void CheckEndingPort(const std::string& name, size_t section, const std::string& port,
                         const std::string& consequence)
    {
        const auto stored = m_profile.FindValue(name, port);
        const std::string left = ": the server is left out, the list ends there" + consequence;
        if (!stored || StripProfileQuotes(*stored).empty()) {
            Add("port_not_positive", name, LineOf(section, "AgentIP" + port.substr(4)), port + " is missing" + left);
            return;
        }
        const std::string_view value = StripProfileQuotes(*stored);
        const int read = m_profile.ReadInt(name.c_str(), port.c_str(), 0);
        const char* fault = PortFault(value);
        const char* kind = fault ? fault : "port_not_positive";
        const std::string why = std::strcmp(kind, "port_wraps") == 0 ? " (the value wraps around)"
                                : std::strcmp(kind, "port_cut") == 0
                                    ? " (only its first " + std::to_string(kPortRead) + " characters count)"
                                    : std::string();
        Add(kind, name, LineOf(section, port),
            port + " " + kValueMark + " reads as " + std::to_string(read) + why + left, value);
    }

    // A server that was read: both its keys are there, with values.
    void CheckServer(const std::string& name, size_t k, const Profile::KeyLine& addressKey,
                     const Profile::KeyLine& portKey, int read)
    {
        const std::string address = "AgentIP" + std::to_string(k);
        const std::string port = "Port" + std::to_string(k);
        const std::string_view value = StripProfileQuotes(addressKey.value);
        const std::string_view kept = value.substr(0, kKept);
        const int addressLine = addressKey.line;
        if (value.size() > kKept) {
            // The command line gets the kept bytes as they are, a half character's lead byte included.
            const size_t whole = text::WholeGbkCharacters(kept);
            Add("address_cut", name, addressLine,
                address + " longer than 31 bytes: passed on as " + kValueMark +
                    (whole < kept.size() ? " (its last byte, " + HexByte(static_cast<unsigned char>(kept.back())) +
                                               ", is half a character: the patch client may read it and the blank "
                                               "after it as one character, which joins the port to the address)"
                                         : std::string()),
                kept, true);
        }
        if (std::any_of(kept.begin(), kept.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }))
            Add("address_blank_or_control", name, addressLine,
                address + " " + kValueMark +
                    " holds a blank or a control character: the patch client splits its command line there, "
                    "so every later address and port shifts",
                kept, true);
        const std::string_view portText = StripProfileQuotes(portKey.value);
        const int portLine = portKey.line;
        const std::string gets = std::to_string(read) + (read > 65535 ? ", above 65535" : "");
        const char* fault = PortFault(portText);
        if (fault && std::strcmp(fault, "port_cut") == 0)
            Add("port_cut", name, portLine,
                port + " " + kValueMark + " is longer than the " + std::to_string(kPortRead) +
                    " characters the launcher reads: the patch client gets " + gets,
                portText);
        else if (fault && std::strcmp(fault, "port_wraps") == 0)
            Add("port_wraps", name, portLine,
                port + " " + kValueMark + (portText[0] == '-' ? " is below what" : " is more than") +
                    " the launcher reads: the value wraps around and the patch client gets " + gets,
                portText);
        else if (fault || !IsPlainNumber(portText))
            Add("port_not_number", name, portLine,
                port + " " + kValueMark + " is not a plain number: passed on as " + gets, portText);
        else if (read > 65535)
            Add("port_above_65535", name, portLine, port + " " + kValueMark + " is above 65535: passed on unchanged",
                portText);
    }

    // The sections and keys in file order, each against the one a lookup finds: repeats, sections without a name,
    // sections the scan never reaches and keys it never asks for.
    void CheckSections(const std::string& lastAsked, int lastNumber)
    {
        struct Visitor : ProfileLineVisitor {
            Checker& checker;
            const std::string& lastAsked;
            int lastNumber;
            size_t section = 0;           // the section the keys read now belong to, when a lookup can find it
            bool searched = true;         // whether a lookup finds the current section
            bool checkKeys = false;       // a zone section the scan reaches
            bool keysBeforeFirst = false; // a key before the first header was reported
            size_t nextKey = 0;           // the current section's next stored key
            size_t nextSection = 1;       // the next stored section (0 holds the keys before any header)

            Visitor(Checker& c, const std::string& asked, int number) : checker(c), lastAsked(asked), lastNumber(number)
            {
            }
            void OnSection(std::string_view name, int line) override
            {
                const Profile& profile = checker.m_profile;
                const std::string spelled(name);
                // The stored sections are the first of each name, in file order: the next one is this section
                // unless its name repeats an earlier one.
                if (nextSection < profile.SectionCount() && profile.SectionLine(nextSection) == line)
                    section = nextSection++;
                else
                    section = profile.FindSection(name);
                searched = section != 0 && profile.SectionLine(section) == line;
                nextKey = 0;
                checkKeys = false;
                if (name.empty()) {
                    checker.Add("section_without_name", spelled, line,
                                "a section without a name: the launcher never reads it or its keys");
                } else if (!searched) {
                    checker.Add("repeated_section", spelled, line,
                                "section repeated: the launcher reads only the first one, at line " +
                                    std::to_string(profile.SectionLine(section)));
                } else {
                    const int number = NumberedName(name, "zone");
                    if (number == 0)
                        checker.Add("unknown_section", spelled, line,
                                    "the launcher never reads this section: zone sections are named Zone1, Zone2, ...");
                    else if (number > lastNumber)
                        checker.Add("unreached_section", spelled, line,
                                    "never read: the scan stops at " + lastAsked +
                                        ", the 11th zone number without a title");
                    else
                        checkKeys = true;
                }
            }
            void OnKey(std::string_view name, std::string_view, bool, int line) override
            {
                if (IsComment(name))
                    return;
                if (section == 0 && searched) {
                    if (!keysBeforeFirst)
                        checker.Add("unknown_section", std::string(), line,
                                    "keys before the first section: the launcher never reads them");
                    keysBeforeFirst = true;
                    return;
                }
                if (!checkKeys)
                    return;
                const Profile& profile = checker.m_profile;
                const std::string spelled(profile.SectionName(section));
                // The section's stored keys are its first keys of each name, in file order: the next one is this
                // key unless this one repeats an earlier name.
                int firstLine = line;
                if (nextKey < profile.KeyCount(section) && profile.KeyAt(section, nextKey).line == line)
                    ++nextKey;
                else
                    firstLine = profile.KeyAt(section, profile.FindKey(section, name)).line;
                if (firstLine != line) {
                    checker.Add("repeated_key", spelled, line,
                                std::string("key ") + kValueMark +
                                    " repeated: the launcher uses the first one, at line " + std::to_string(firstLine),
                                name);
                } else if (LowerAscii(name) != "servicezonetitle" && NumberedName(name, "agentip") == 0 &&
                           NumberedName(name, "port") == 0) {
                    checker.Add("unknown_key", spelled, line,
                                std::string("the launcher never reads the key ") + kValueMark +
                                    ": it reads ServiceZoneTitle, AgentIP1, Port1, AgentIP2, ...",
                                name);
                }
            }
        } visitor(*this, lastAsked, lastNumber);
        ReadProfileLines(m_bytes, visitor);
    }

    std::string_view m_bytes;
    Profile m_profile;
    encoding::CharacterTable m_table;
    CatalogueCheck m_check;
    std::unordered_map<std::string, size_t> m_countOfKind;
    // Title -> index in m_check.zones of the first zone with it, the one the launcher's lookup finds.
    std::unordered_map<std::string, size_t> m_rowOfTitle;
    // The title as the list shows it (a half character left out) -> index of the first zone that shows so.
    std::unordered_map<std::string, size_t> m_rowOfShownTitle;
};

} // namespace

CatalogueCheck CheckCatalogue(std::string_view bytes)
{
    return Checker(bytes).Run();
}

CatalogueCheck CheckCatalogueFile(std::string_view file)
{
    if (!IsUtf16Profile(file))
        return CheckCatalogue(file);
    encoding::CharacterTable table;
    const std::string bytes = table.GbkFromUtf16File(file);
    Checker checker(bytes);
    checker.CheckUtf16Characters(file);
    return checker.Run();
}
