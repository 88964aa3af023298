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

std::string Where(const Finding& finding)
{
    std::string where = finding.section.empty() && finding.line == 0 ? "file" : "[" + Shown(finding.section) + "]";
    if (finding.section.empty() && finding.line > 0)
        where = "line " + std::to_string(finding.line);
    else if (finding.line > 0)
        where += " line " + std::to_string(finding.line);
    return where;
}

} // namespace

std::string TextReport(const CatalogueCheck& check)
{
    std::string out = "The launcher lists " + std::to_string(check.zones.size()) + " zone(s):\n";
    for (const CheckedZone& zone : check.zones) {
        out += std::to_string(zone.row) + ". [" + zone.section + "] " + Shown(zone.zone.title) + "\n";
        for (const ServerEntry& server : zone.zone.servers)
            out += "   server " + Shown(server.address) + " port " + std::to_string(server.port) + "\n";
        out += "   patch client command line: \"" + Shown(zone.commandLine) + "\"\n";
    }
    if (check.findings.empty())
        return out + "No findings.\n";
    out += std::to_string(check.findings.size()) + " finding(s):\n";
    for (const Finding& finding : check.findings)
        out += Where(finding) + ": " + finding.kind + ": " + Shown(finding.message) + "\n";
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
        out += "], \"command_line\": " + JsonString(Shown(zone.commandLine)) + "}";
    }
    out += check.zones.empty() ? "],\n\"findings\": [" : "\n],\n\"findings\": [";
    for (size_t i = 0; i < check.findings.size(); ++i) {
        const Finding& finding = check.findings[i];
        out += i ? ",\n  " : "\n  ";
        out += std::string("{\"kind\": \"") + finding.kind + "\", \"section\": " +
               (finding.section.empty() ? std::string("null") : JsonString(Shown(finding.section))) +
               ", \"line\": " + (finding.line > 0 ? std::to_string(finding.line) : std::string("null")) +
               ", \"message\": " + JsonString(Shown(finding.message)) + "}";
    }
    out += check.findings.empty() ? "]}\n" : "\n]}\n";
    return out;
}
