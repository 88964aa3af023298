// The catalogue checker's findings as data: what the launcher will list for an AgentIP.ini, and every place where
// the file says something the launcher reads otherwise than its author probably meant.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/ZoneCatalogue.h"

struct CheckedZone {
    int row;                 // 1-based position in the launcher's list
    std::string section;     // "Zone<n>", spelled as in the file
    ZoneInfo zone;           // exactly as the launcher's scan loads it
    std::string commandLine; // what the patch client receives for this zone (code page 936)
};

// Where a finding's message shows the file's value.
extern const char* const kValueMark;

struct Finding {
    const char* kind;    // one of the kinds listed in the README, e.g. "title_cut"
    std::string section; // the section's name as written in the file; empty for the file as a whole
    int line;            // 1-based; 0 when the file gives none (a key that is missing)
    std::string message; // English; holds kValueMark once where the value goes, if it has one
    std::string value;   // the offending text of the file (code page 936), for the report to show escaped
    // Whether value is shown byte for byte as the patch client gets it (a half character's lead byte as '?'),
    // rather than as the list shows a text (a half character at its end left out).
    bool valueAsPassedOn = false;
};

struct CatalogueCheck {
    std::vector<CheckedZone> zones;
    std::vector<Finding> findings; // ordered by line; at most kListedPerKind of each kind
    // Findings of a kind beyond kListedPerKind: counted, not kept. In the order the kinds first overflowed.
    std::vector<std::pair<const char*, size_t>> unlisted;
};

const size_t kListedPerKind = 100;

// Checks the bytes of an AgentIP.ini as the launcher's reader receives them (a UTF-16 file already converted).
CatalogueCheck CheckCatalogue(std::string_view bytes);
// Checks a file's bytes as read from disk: a UTF-16 file is converted as the launcher's reader does, and its
// characters that code page 936 lacks are findings.
CatalogueCheck CheckCatalogueFile(std::string_view file);
