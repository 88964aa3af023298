#include "zonecheck/Report.h"

#include <cstdio>

#include "text/CodePage936.h"

namespace {

// A text of the file (code page 936) as UTF-8, as the launcher shows it: a character cut in half is left out.
std::string Shown(std::string_view gbk)
{
    return text::Utf8FromUtf16(text::Utf16FromGbk(gbk.substr(0, text::WholeGbkCharacters(gbk))));
}

std::string JsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

// A value or a name longer than this many characters is cut in the text report, which is read on a screen.
const size_t kShownCharacters = 60;

// UTF-8 for a terminal: control characters (C0, DEL, C1), which could move the cursor or erase what was written,
// are shown as JSON escapes. With cut, a text longer than a screen line is cut after whole characters, and
// the note says so.
std::string Printable(const std::string& utf8, bool cut, std::string& note)
{
    std::string out;
    size_t total = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) != 0x80)
            ++total;
        if (cut && total > kShownCharacters)
            continue;
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || c1) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c1 ? static_cast<unsigned char>(utf8[++i]) : c);
            out += escape;
        } else {
            out += utf8[i];
        }
    }
    note = cut && total > kShownCharacters ? " (cut: " + std::to_string(total) + " characters in all)" : "";
    return out;
}

// A text byte for byte as UTF-8: a half character (a lead byte without its trail byte), wherever it is, becomes
// '?'. Converted piece by piece around such bytes, as the platforms' conversions differ there: Windows takes the
// byte after a lone lead byte (a blank) into its '?'.
std::string PassedOn(std::string_view gbk)
{
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i < gbk.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x81 || c == 0xFF)
            continue;
        const unsigned char t = i + 1 < gbk.size() ? static_cast<unsigned char>(gbk[i + 1]) : 0;
        if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
            ++i;
            continue;
        }
        out += text::Utf8FromUtf16(text::Utf16FromGbk(gbk.substr(start, i - start))) + "?";
        start = i + 1;
    }
    return out + text::Utf8FromUtf16(text::Utf16FromGbk(gbk.substr(start)));
}

// A text of the file for the text report, escaped, and cut when it is long.
std::string Printed(std::string_view gbk, const char* open, const char* close, bool cut = true, bool asPassedOn = false)
{
    std::string note;
    const std::string text = Printable(asPassedOn ? PassedOn(gbk) : Shown(gbk), cut, note);
    return open + text + (note.empty() ? "" : "...") + close + note;
}

std::string Message(const Finding& finding, bool forText)
{
    const size_t mark = finding.message.find(kValueMark);
    if (mark == std::string::npos)
        return Shown(finding.message);
    const std::string value = forText
                                  ? Printed(finding.value, "\"", "\"", true, finding.valueAsPassedOn)
                                  : "\"" + (finding.valueAsPassedOn ? PassedOn(finding.value) : Shown(finding.value)) +
                                        "\"";
    return Shown(finding.message.substr(0, mark)) + value +
           Shown(finding.message.substr(mark + std::char_traits<char>::length(kValueMark)));
}

std::string Where(const Finding& finding)
{
    std::string where = finding.section.empty() && finding.line == 0 ? "file" : Printed(finding.section, "[", "]");
    if (finding.section.empty() && finding.line > 0)
        where = "line " + std::to_string(finding.line);
    else if (finding.line > 0)
        where += " line " + std::to_string(finding.line);
    return where;
}

// "2 345": groups of three digits, as a person reads a count.
std::string Count(size_t n)
{
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ' ');
    return digits;
}

} // namespace

std::string TextReport(const CatalogueCheck& check)
{
    std::string out = "The launcher lists " + std::to_string(check.zones.size()) + " zone(s):\n";
    for (const CheckedZone& zone : check.zones) {
        out += std::to_string(zone.row) + ". " + Printed(zone.section, "[", "]") + " " +
               Printed(zone.zone.title, "", "") + "\n";
        for (const ServerEntry& server : zone.zone.servers)
            out += "   server " + Printed(server.address, "", "") + " port " + std::to_string(server.port) + "\n";
        out += "   patch client command line: " + Printed(zone.commandLine, "\"", "\"", false, true) + "\n";
    }
    if (check.findings.empty())
        return out + "No findings.\n";
    size_t total = check.findings.size();
    for (const auto& unlisted : check.unlisted)
        total += unlisted.second;
    out += Count(total) + " finding(s):\n";
    for (const Finding& finding : check.findings)
        out += Where(finding) + ": " + finding.kind + ": " + Message(finding, true) + "\n";
    for (const auto& unlisted : check.unlisted)
        out += "and " + Count(unlisted.second) + " more " + unlisted.first + "\n";
    return out;
}

std::string JsonReport(const CatalogueCheck& check)
{
    std::string out = "{\"zones\": [";
    for (size_t i = 0; i < check.zones.size(); ++i) {
        const CheckedZone& zone = check.zones[i];
        out += i ? ",\n  " : "\n  ";
        out += "{\"row\": " + std::to_string(zone.row) + ", \"section\": " + JsonString(zone.section) +
               ", \"title\": " + JsonString(Shown(zone.zone.title)) + ", \"title_gbk_hex\": \"" + Hex(zone.zone.title) +
               "\", \"servers\": [";
        for (size_t k = 0; k < zone.zone.servers.size(); ++k) {
            const ServerEntry& server = zone.zone.servers[k];
            out += k ? ", " : "";
            out += "{\"address\": " + JsonString(Shown(server.address)) + ", \"port\": " + std::to_string(server.port) +
                   "}";
        }
        out += "], \"command_line\": " + JsonString(PassedOn(zone.commandLine)) + "}";
    }
    out += check.zones.empty() ? "],\n\"findings\": [" : "\n],\n\"findings\": [";
    for (size_t i = 0; i < check.findings.size(); ++i) {
        const Finding& finding = check.findings[i];
        out += i ? ",\n  " : "\n  ";
        out += std::string("{\"kind\": \"") + finding.kind + "\", \"section\": " +
               (finding.section.empty() ? std::string("null") : JsonString(Shown(finding.section))) +
               ", \"line\": " + (finding.line > 0 ? std::to_string(finding.line) : std::string("null")) +
               ", \"message\": " + JsonString(Message(finding, false)) + "}";
    }
    out += check.findings.empty() ? "]" : "\n]";
    out += ",\n\"unlisted\": [";
    for (size_t i = 0; i < check.unlisted.size(); ++i)
        out += std::string(i ? ", " : "") + "{\"kind\": \"" + check.unlisted[i].first +
               "\", \"count\": " + std::to_string(check.unlisted[i].second) + "}";
    out += "]}\n";
    return out;
}
