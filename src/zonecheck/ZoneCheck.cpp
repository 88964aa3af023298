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

// Every section and key of the file with its line, and where each name first appears.
struct Outline : ProfileLineVisitor {
    struct Key {
        std::string name;
        bool hasValue;
        int line;
    };
    struct Section {
        std::string name;
        int line;
        std::vector<Key> keys;
        int repeatOf = -1; // index of the first section of this name, or -1
        // Lower-cased key name -> index of its first key: a key's line without a search, however many keys.
        std::unordered_map<std::string, size_t> firstKey;

        const Key* FindKey(std::string_view key) const
        {
            auto found = firstKey.find(LowerAscii(key));
            return found == firstKey.end() ? nullptr : &keys[found->second];
        }
    };
    std::vector<Section> sections{Section{std::string(), 0, {}, -1, {}}};
    std::unordered_map<std::string, size_t> firstSection{{std::string(), 0}};

    void OnSection(std::string_view name, int line) override
    {
        Section section{std::string(name), line, {}, -1, {}};
        auto found = firstSection.emplace(LowerAscii(name), sections.size());
        if (!found.second)
            section.repeatOf = static_cast<int>(found.first->second);
        sections.push_back(std::move(section));
    }
    void OnKey(std::string_view name, std::string_view, bool hasValue, int line) override
    {
        Section& section = sections.back();
        section.keys.push_back(Key{std::string(name), hasValue, line});
        section.firstKey.emplace(LowerAscii(name), section.keys.size() - 1);
    }

    const Section* Find(std::string_view name) const
    {
        auto found = firstSection.find(LowerAscii(name));
        return found == firstSection.end() ? nullptr : &sections[found->second];
    }
    static int LineOf(const Section* section, std::string_view key)
    {
        const Key* found = section ? section->FindKey(key) : nullptr;
        return found ? found->line : 0;
    }
};

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

// Whether a plain number is larger than the reader's integer holds, so that what the launcher reads is not it.
bool Wraps(std::string_view digits)
{
    uint64_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > 2147483647u)
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

// The length of the UTF-8 sequence that starts at bytes[i] (0 when none does) and its character.
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

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

class Checker {
public:
    explicit Checker(std::string_view bytes) : m_bytes(bytes), m_profile(Profile::FromBytes(bytes))
    {
        ReadProfileLines(bytes, m_outline);
    }

    // A UTF-16 file's characters that code page 936 lacks: the launcher reads another character (mostly '?') in
    // their place. One finding per line.
    void CheckUtf16Characters(std::string_view file)
    {
        int line = 1;
        int lastLine = 0;
        for (size_t i = 2; i + 1 < file.size(); i += 2) {
            char16_t unit[2];
            std::memcpy(&unit[0], file.data() + i, 2);
            if (unit[0] == u'\n')
                ++line;
            if (unit[0] < 0x80)
                continue;
            size_t units = 1;
            if (unit[0] >= 0xD800 && unit[0] <= 0xDBFF && i + 3 < file.size()) {
                std::memcpy(&unit[1], file.data() + i + 2, 2);
                units = unit[1] >= 0xDC00 && unit[1] <= 0xDFFF ? 2 : 1;
            }
            const std::string gbk = text::GbkFromUtf16(unit, units);
            const std::vector<char16_t> back = text::Utf16FromGbk(gbk);
            i += 2 * (units - 1);
            if (back.size() == units && std::equal(back.begin(), back.end(), unit))
                continue;
            if (line != lastLine) {
                char code[16];
                const uint32_t c = units == 2 ? 0x10000 + ((unit[0] - 0xD800u) << 10) + (unit[1] - 0xDC00u) : unit[0];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
                Add("no_gbk_code", std::string(), line,
                    std::string("character ") + code + " has no GBK code: the launcher reads " + kValueMark +
                        " in its place",
                    gbk);
                lastLine = line;
            }
        }
    }

    CatalogueCheck Run()
    {
        CheckEncoding();
        CheckLoneCarriageReturns();
        TitleRecorder recorder(m_profile);
        ZoneCatalogue zones;
        ScanZoneCatalogue(zones, recorder);

        size_t row = 0;
        for (const auto& asked : recorder.asked) {
            const Outline::Section* section = m_outline.Find(asked.first);
            if (!asked.second) {
                // A section found by a zone's name is named "zone" in some letter case and digits: safe to print.
                if (section)
                    Add("zone_without_title", section->name, section->line,
                        "no title: the launcher counts " + section->name + " as a missing zone number");
                continue;
            }
            CheckedZone checked{static_cast<int>(row + 1), section->name, zones[row],
                                PatchClientCommandLine(BuildPatchClientArguments(zones[row]))};
            CheckZone(checked, *section);
            m_check.zones.push_back(std::move(checked));
            ++row;
        }
        const std::string& lastAsked = recorder.asked.back().first;
        const int lastNumber = NumberedName(lastAsked, "zone");
        CheckSections(lastAsked, lastNumber);
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
             std::string_view value = std::string_view())
    {
        size_t& count = m_countOfKind[kind];
        if (++count <= kListedPerKind) {
            m_check.findings.push_back(Finding{kind, section, line, std::move(message), std::string(value)});
            return;
        }
        if (count == kListedPerKind + 1)
            m_check.unlisted.emplace_back(kind, 0);
        for (auto& unlisted : m_check.unlisted) {
            if (std::strcmp(unlisted.first, kind) == 0)
                ++unlisted.second;
        }
    }

    // The byte that ends the reader's lines: LF, or CR in a file without any LF.
    char LineEnd() const { return m_bytes.find('\n') == std::string_view::npos ? '\r' : '\n'; }

    // The file is UTF-8 only when that reading is the plausible one: it decodes, and its characters beyond ASCII
    // include one that UTF-8 writes in three bytes or more (as all Chinese) or are all Latin-1 letters and signs
    // (U+00A0 to U+00FF, as in "Café"). GBK Chinese often decodes as UTF-8 too, but then as rare two-byte letters.
    void CheckEncoding()
    {
        const size_t bom = m_bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        size_t firstHigh = std::string_view::npos;
        bool utf8 = true;
        bool plausible = false;
        bool otherTwoByte = false;
        for (size_t i = bom; i < m_bytes.size() && utf8; ++i) {
            if (static_cast<unsigned char>(m_bytes[i]) < 0x80)
                continue;
            if (firstHigh == std::string_view::npos)
                firstHigh = i;
            uint32_t code = 0;
            const size_t length = Utf8Sequence(m_bytes, i, code);
            utf8 = length > 0;
            plausible = plausible || length >= 3;
            otherTwoByte = otherTwoByte || (length == 2 && code > 0xFF);
            i += length ? length - 1 : 0;
        }
        if (firstHigh == std::string_view::npos)
            return;
        if (utf8 && (plausible || !otherTwoByte)) {
            // The reader skips a UTF-8 byte order mark; the text after it is what the launcher shows.
            if (bom)
                Add("not_gbk_utf8_bom", std::string(), 1,
                    "the file is UTF-8 with a byte order mark: the launcher shows its texts as mojibake; save it as "
                    "GBK");
            else
                Add("not_gbk_utf8", std::string(), LineOfOffset(firstHigh),
                    "the file is UTF-8: the launcher shows its texts as mojibake; save it as GBK");
            return;
        }
        // One finding per line; a trail byte is never a line end, so counting the line ends passed is enough.
        const char lineEnd = LineEnd();
        int line = 1;
        int lastLine = 0;
        for (size_t i = bom; i < m_bytes.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(m_bytes[i]);
            if (c == static_cast<unsigned char>(lineEnd))
                ++line;
            if (c <= 0x80) // code page 936 adds the euro sign, 0x80, to GBK
                continue;
            const unsigned char t = i + 1 < m_bytes.size() ? static_cast<unsigned char>(m_bytes[i + 1]) : 0;
            if (c >= 0x81 && c <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F) {
                ++i;
                continue;
            }
            if (line != lastLine) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", c);
                Add("not_gbk_bytes", std::string(), line,
                    std::string("byte ") + hex + " starts no GBK character: the launcher shows a stray sign for it");
                lastLine = line;
            }
        }
    }

    int LineOfOffset(size_t offset) const
    {
        return 1 + static_cast<int>(
                       std::count(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), LineEnd()));
    }

    // In a file with line feeds the launcher ends lines only there; a carriage return elsewhere is part of the line,
    // though editors may break the line at it. One finding per line of the launcher's that holds some.
    void CheckLoneCarriageReturns()
    {
        if (LineEnd() != '\n')
            return;
        int line = 1;
        size_t lineStart = 0;
        size_t lone = 0;
        for (size_t i = 0; i <= m_bytes.size(); ++i) {
            if (i == m_bytes.size() || m_bytes[i] == '\n') {
                if (lone > 0)
                    Add("lone_carriage_return", std::string(), line,
                        Plural(lone, "carriage return", "carriage returns") + " without a line feed in the line " +
                            kValueMark +
                            ": an editor may break the line there, the launcher reads one line (line numbers here "
                            "count as the launcher does)",
                        m_bytes.substr(lineStart, i - lineStart));
                ++line;
                lineStart = i + 1;
                lone = 0;
            } else if (m_bytes[i] == '\r' && (i + 1 == m_bytes.size() || m_bytes[i + 1] != '\n')) {
                ++lone;
            }
        }
    }

    void CheckZone(const CheckedZone& checked, const Outline::Section& section)
    {
        const std::string& name = section.name;
        const int titleLine = Outline::LineOf(&section, "ServiceZoneTitle");
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

        const std::vector<ServerEntry>& servers = checked.zone.servers;
        for (size_t k = 1; k <= servers.size(); ++k)
            CheckServer(name, section, k);
        CheckListEnd(checked, section, titleLine);
    }

    // Why the zone's server list ended, and what it left unread: one finding for one fault.
    void CheckListEnd(const CheckedZone& checked, const Outline::Section& section, int titleLine)
    {
        const std::string& name = section.name;
        const size_t count = checked.zone.servers.size();
        const size_t end = count + 1;
        const std::string address = "AgentIP" + std::to_string(end);
        const std::string port = "Port" + std::to_string(end);

        size_t lastNumber = 0;
        int lastLine = 0;
        for (const Outline::Key& key : section.keys) {
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

        const std::string* storedAddress = m_profile.FindValue(name, address);
        const std::string* storedPort = m_profile.FindValue(name, port);
        const std::string_view portText = storedPort ? StripProfileQuotes(*storedPort) : std::string_view();
        const Outline::Key* addressKey = section.FindKey(address);
        const std::string addressWhy = !addressKey      ? address + " is missing"
                                       : !storedAddress ? address + " has no '='"
                                                        : address + " is empty";
        if (storedAddress && !StripProfileQuotes(*storedAddress).empty()) {
            CheckEndingPort(name, section, port, consequence);
        } else if (!portText.empty()) {
            Add("server_without_address", name, Outline::LineOf(&section, port),
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

    // The port that ended a list whose address was there.
    void CheckEndingPort(const std::string& name, const Outline::Section& section, const std::string& port,
                         const std::string& consequence)
    {
        const std::string* stored = m_profile.FindValue(name, port);
        const std::string left = ": the server is left out, the list ends there" + consequence;
        if (!stored || StripProfileQuotes(*stored).empty()) {
            Add("port_not_positive", name, Outline::LineOf(&section, "AgentIP" + port.substr(4)),
                port + " is missing" + left);
            return;
        }
        const std::string_view value = StripProfileQuotes(*stored);
        const int read = m_profile.ReadInt(name.c_str(), port.c_str(), 0);
        const std::string_view digits = value[0] == '-' ? value.substr(1) : value;
        const char* kind = !IsPlainNumber(digits) ? "port_not_number"
                           : Wraps(digits)        ? "port_wraps"
                                                  : "port_not_positive";
        Add(kind, name, Outline::LineOf(&section, port),
            port + " " + kValueMark + " reads as " + std::to_string(read) +
                (std::strcmp(kind, "port_wraps") == 0 ? " (the value wraps around)" : "") + left,
            value);
    }

    void CheckServer(const std::string& name, const Outline::Section& section, size_t k)
    {
        const std::string address = "AgentIP" + std::to_string(k);
        const std::string port = "Port" + std::to_string(k);
        const std::string_view value = StripProfileQuotes(*m_profile.FindValue(name, address));
        const std::string_view kept = value.substr(0, kKept);
        const int addressLine = Outline::LineOf(&section, address);
        if (value.size() > kKept)
            Add("address_cut", name, addressLine, address + " longer than 31 bytes: passed on as " + kValueMark, kept);
        if (std::any_of(kept.begin(), kept.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }))
            Add("address_blank_or_control", name, addressLine,
                address + " " + kValueMark +
                    " holds a blank or a control character: the patch client splits its command line there, "
                    "so every later address and port shifts",
                kept);
        const std::string_view portText = StripProfileQuotes(*m_profile.FindValue(name, port));
        const int read = m_profile.ReadInt(name.c_str(), port.c_str(), 0);
        const int portLine = Outline::LineOf(&section, port);
        const std::string gets = std::to_string(read) + (read > 65535 ? ", above 65535" : "");
        if (!IsPlainNumber(portText))
            Add("port_not_number", name, portLine,
                port + " " + kValueMark + " is not a plain number: passed on as " + gets, portText);
        else if (Wraps(portText))
            Add("port_wraps", name, portLine,
                port + " " + kValueMark +
                    " is more than the launcher reads: the value wraps around and the patch "
                    "client gets " +
                    gets,
                portText);
        else if (read > 65535)
            Add("port_above_65535", name, portLine, port + " " + kValueMark + " is above 65535: passed on unchanged",
                portText);
    }

    void CheckSections(const std::string& lastAsked, int lastNumber)
    {
        for (const Outline::Section& section : m_outline.sections) {
            const bool nameless = &section == &m_outline.sections.front();
            if (section.repeatOf >= 0) {
                const Outline::Section& first = m_outline.sections[static_cast<size_t>(section.repeatOf)];
                Add("repeated_section", section.name, section.line,
                    "section repeated: the launcher reads only the first one, at line " + std::to_string(first.line));
                continue;
            }
            const int number = NumberedName(section.name, "zone");
            const bool hasKeys = std::any_of(section.keys.begin(), section.keys.end(),
                                             [](const Outline::Key& k) { return !IsComment(k.name); });
            if (nameless) {
                if (hasKeys)
                    Add("unknown_section", section.name, section.keys.front().line,
                        "keys before the first section: the launcher never reads them");
                continue;
            }
            if (number == 0) {
                Add("unknown_section", section.name, section.line,
                    "the launcher never reads this section: zone sections are named Zone1, Zone2, ...");
                continue;
            }
            if (number > lastNumber) {
                Add("unreached_section", section.name, section.line,
                    "never read: the scan stops at " + lastAsked + ", the 11th zone number without a title");
                continue;
            }
            CheckKeys(section);
        }
    }

    void CheckKeys(const Outline::Section& section)
    {
        for (const Outline::Key& key : section.keys) {
            if (IsComment(key.name))
                continue;
            const Outline::Key& first = *section.FindKey(key.name);
            if (&first != &key) {
                Add("repeated_key", section.name, key.line,
                    std::string("key ") + kValueMark + " repeated: the launcher uses the first one, at line " +
                        std::to_string(first.line),
                    key.name);
                continue;
            }
            if (LowerAscii(key.name) != "servicezonetitle" && NumberedName(key.name, "agentip") == 0 &&
                NumberedName(key.name, "port") == 0)
                Add("unknown_key", section.name, key.line,
                    std::string("the launcher never reads the key ") + kValueMark +
                        ": it reads ServiceZoneTitle, AgentIP1, Port1, AgentIP2, ...",
                    key.name);
        }
    }

    std::string_view m_bytes;
    Profile m_profile;
    Outline m_outline;
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
    const std::string bytes = GbkFromUtf16Profile(file);
    Checker checker(bytes);
    checker.CheckUtf16Characters(file);
    return checker.Run();
}
