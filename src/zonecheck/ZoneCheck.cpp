#include "zonecheck/ZoneCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "catalogue/ProfileReader.h"
#include "handoff/PatchClientArguments.h"
#include "text/CodePage936.h"

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

std::string Quoted(std::string_view s)
{
    return "\"" + std::string(s) + "\"";
}

// Every section and key of the file with its line, and where each name first appears.
struct Outline : ProfileLineVisitor {
    struct Key {
        std::string name;
        std::string lower;
        bool hasValue;
        int line;
    };
    struct Section {
        std::string name;
        int line;
        std::vector<Key> keys;
        int repeatOf = -1; // index of the first section of this name, or -1
    };
    std::vector<Section> sections{Section{std::string(), 0, {}}};
    std::unordered_map<std::string, size_t> firstSection{{std::string(), 0}};

    void OnSection(std::string_view name, int line) override
    {
        Section section{std::string(name), line, {}};
        auto found = firstSection.emplace(LowerAscii(name), sections.size());
        if (!found.second)
            section.repeatOf = static_cast<int>(found.first->second);
        sections.push_back(std::move(section));
    }
    void OnKey(std::string_view name, std::string_view, bool hasValue, int line) override
    {
        sections.back().keys.push_back(Key{std::string(name), LowerAscii(name), hasValue, line});
    }

    const Section* Find(std::string_view name) const
    {
        auto found = firstSection.find(LowerAscii(name));
        return found == firstSection.end() ? nullptr : &sections[found->second];
    }
    static int LineOf(const Section* section, std::string_view key)
    {
        if (!section)
            return 0;
        const std::string lower = LowerAscii(key);
        for (const Key& k : section->keys) {
            if (k.lower == lower)
                return k.line;
        }
        return 0;
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

class Checker {
public:
    explicit Checker(std::string_view bytes) : m_bytes(bytes), m_profile(Profile::FromBytes(bytes))
    {
        ReadProfileLines(bytes, m_outline);
    }

    CatalogueCheck Run()
    {
        CheckEncoding();
        TitleRecorder recorder(m_profile);
        ZoneCatalogue zones;
        ScanZoneCatalogue(zones, recorder);

        size_t row = 0;
        for (const auto& asked : recorder.asked) {
            const Outline::Section* section = m_outline.Find(asked.first);
            if (!asked.second) {
                if (section)
                    Add("zone_without_title", section->name, section->line,
                        "no title: the launcher counts " + asked.first + " as a missing zone number");
                continue;
            }
            CheckedZone checked{static_cast<int>(row + 1), asked.first, zones[row],
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
    void Add(const char* kind, const std::string& section, int line, std::string message)
    {
        m_check.findings.push_back(Finding{kind, section, line, std::move(message)});
    }

    // The byte that ends the reader's lines: LF, or CR in a file without any LF.
    char LineEnd() const { return m_bytes.find('\n') == std::string_view::npos ? '\r' : '\n'; }
    int LineAt(size_t offset) const
    {
        return 1 + static_cast<int>(
                       std::count(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), LineEnd()));
    }

    void CheckEncoding()
    {
        size_t firstHigh = std::string_view::npos;
        bool utf8 = true;
        const size_t bom = m_bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        for (size_t i = bom; i < m_bytes.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(m_bytes[i]);
            if (c < 0x80)
                continue;
            if (firstHigh == std::string_view::npos)
                firstHigh = i;
            const size_t more = c >= 0xC2 && c <= 0xDF   ? 1
                                : c >= 0xE0 && c <= 0xEF ? 2
                                : c >= 0xF0 && c <= 0xF4 ? 3
                                                         : 0;
            bool ok = more > 0 && i + more < m_bytes.size();
            for (size_t k = 1; ok && k <= more; ++k)
                ok = (static_cast<unsigned char>(m_bytes[i + k]) & 0xC0) == 0x80;
            if (!ok) {
                utf8 = false;
                break;
            }
            i += more;
        }
        if (firstHigh == std::string_view::npos)
            return;
        // The reader skips a UTF-8 byte order mark, so only a file with other characters than ASCII suffers.
        if (bom) {
            Add("not_gbk_utf8_bom", std::string(), 1,
                "the file is UTF-8 with a byte order mark: the launcher shows its texts as mojibake; save it as GBK");
            return;
        }
        if (utf8) {
            Add("not_gbk_utf8", std::string(), LineAt(firstHigh),
                "the file is UTF-8: the launcher shows its texts as mojibake; save it as GBK");
            return;
        }
        // One finding per line; a trail byte is never a line end, so counting the line ends passed is enough.
        const char lineEnd = LineEnd();
        int line = 1;
        int lastLine = 0;
        for (size_t i = 0; i < m_bytes.size(); ++i) {
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

    void CheckZone(const CheckedZone& checked, const Outline::Section& section)
    {
        const std::string& name = section.name;
        const int titleLine = Outline::LineOf(&section, "ServiceZoneTitle");
        const std::string_view title = StripProfileQuotes(*m_profile.FindValue(name, "ServiceZoneTitle"));
        if (title.size() > kKept) {
            const std::string kept(title.substr(0, kKept));
            const std::string shown = kept.substr(0, text::WholeGbkCharacters(kept));
            if (shown.size() < kept.size())
                Add("title_cut_in_character", name, titleLine,
                    "title longer than 31 bytes, cut inside a character: shows " + Quoted(shown));
            else
                Add("title_cut", name, titleLine, "title longer than 31 bytes: shows " + Quoted(shown));
        }
        auto first = m_rowOfTitle.emplace(checked.zone.title, m_check.zones.size());
        if (!first.second) {
            const CheckedZone& earlier = m_check.zones[first.first->second];
            Add("duplicate_title", name, titleLine,
                "same title as row " + std::to_string(earlier.row) + " (" + earlier.section +
                    "): this zone can never be started, choosing it starts the earlier one");
        }

        const std::vector<ServerEntry>& servers = checked.zone.servers;
        for (size_t k = 1; k <= servers.size(); ++k)
            CheckServer(name, section, k);

        // Why the list ended, and what it left unread.
        const size_t end = servers.size() + 1;
        const std::string address = "AgentIP" + std::to_string(end);
        const std::string port = "Port" + std::to_string(end);
        std::string why;
        const std::string* endAddress = m_profile.FindValue(name, address);
        if (endAddress && !StripProfileQuotes(*endAddress).empty()) {
            why = CheckEndingPort(name, section, port);
        } else {
            why = address + " is missing or empty";
        }
        size_t lastNumber = 0;
        int lastLine = 0;
        for (const Outline::Key& key : section.keys) {
            const int n = std::max(NumberedName(key.name, "agentip"), NumberedName(key.name, "port"));
            if (n > 0 && static_cast<size_t>(n) > end && static_cast<size_t>(n) > lastNumber) {
                lastNumber = static_cast<size_t>(n);
                lastLine = key.line;
            }
        }
        if (lastNumber > 0)
            Add("servers_ended_early", name, lastLine,
                "the server list ends at server " + std::to_string(end) + " (" + why + "): " +
                    (lastNumber == end + 1
                         ? "server " + std::to_string(lastNumber) + " is"
                         : "servers " + std::to_string(end + 1) + " to " + std::to_string(lastNumber) + " are") +
                    " never read");
        if (servers.empty())
            Add("zone_without_servers", name, titleLine, "no server (" + why + "): the patch client gets none");
    }

    // The port that ended a list whose address was there; says why it ended.
    std::string CheckEndingPort(const std::string& name, const Outline::Section& section, const std::string& port)
    {
        const std::string* stored = m_profile.FindValue(name, port);
        if (!stored || StripProfileQuotes(*stored).empty()) {
            Add("port_not_positive", name, Outline::LineOf(&section, "AgentIP" + port.substr(4)),
                port + " is missing: the server is left out");
            return port + " is missing";
        }
        const std::string_view value = StripProfileQuotes(*stored);
        const int read = m_profile.ReadInt(name.c_str(), port.c_str(), 0);
        const std::string why = port + " " + Quoted(value) + " reads as " + std::to_string(read);
        const bool number = IsPlainNumber(value[0] == '-' ? value.substr(1) : value);
        Add(number ? "port_not_positive" : "port_not_number", name, Outline::LineOf(&section, port),
            why + ": the server is left out");
        return why;
    }

    void CheckServer(const std::string& name, const Outline::Section& section, size_t k)
    {
        const std::string address = "AgentIP" + std::to_string(k);
        const std::string port = "Port" + std::to_string(k);
        const std::string_view value = StripProfileQuotes(*m_profile.FindValue(name, address));
        const std::string_view kept = value.substr(0, kKept);
        const int addressLine = Outline::LineOf(&section, address);
        if (value.size() > kKept)
            Add("address_cut", name, addressLine, address + " longer than 31 bytes: passed on as " + Quoted(kept));
        if (std::any_of(kept.begin(), kept.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }))
            Add("address_blank_or_control", name, addressLine,
                address + " holds a blank or a control character: the patch client splits its command line there, "
                          "so every later address and port shifts");
        const std::string_view portText = StripProfileQuotes(*m_profile.FindValue(name, port));
        const int read = m_profile.ReadInt(name.c_str(), port.c_str(), 0);
        const int portLine = Outline::LineOf(&section, port);
        if (!IsPlainNumber(portText))
            Add("port_not_number", name, portLine,
                port + " " + Quoted(portText) + " is not a plain number: passed on as " + std::to_string(read));
        if (read > 65535)
            Add("port_above_65535", name, portLine,
                port + " " + std::to_string(read) + " is above 65535: passed on unchanged");
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
        std::unordered_map<std::string, int> seen;
        for (const Outline::Key& key : section.keys) {
            if (IsComment(key.name))
                continue;
            auto first = seen.emplace(key.lower, key.line);
            if (!first.second) {
                Add("repeated_key", section.name, key.line,
                    "key " + key.name + " repeated: the launcher uses the first one, at line " +
                        std::to_string(first.first->second));
                continue;
            }
            if (key.lower != "servicezonetitle" && NumberedName(key.name, "agentip") == 0 &&
                NumberedName(key.name, "port") == 0)
                Add("unknown_key", section.name, key.line,
                    "the launcher never reads the key " + Quoted(key.name) +
                        ": it reads ServiceZoneTitle, AgentIP1, Port1, AgentIP2, ...");
        }
    }

    std::string_view m_bytes;
    Profile m_profile;
    Outline m_outline;
    CatalogueCheck m_check;
    // Title -> index in m_check.zones of the first zone with it, the one the launcher's lookup finds.
    std::unordered_map<std::string, size_t> m_rowOfTitle;
};

} // namespace

CatalogueCheck CheckCatalogue(std::string_view bytes)
{
    return Checker(bytes).Run();
}
