// The catalogue checker's findings as data: what the launcher will list for an AgentIP.ini, and every place where
// the file says something the launcher reads otherwise than its author probably meant.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/ZoneCatalogue.h"

struct CheckedZone {
    int row;                 // 1-based position in the launcher's list
    std::string section;     // "Zone<n>", as the launcher asks for it
    ZoneInfo zone;           // exactly as the launcher's scan loads it
    std::string commandLine; // what the patch client receives for this zone (code page 936)
};

struct Finding {
    const char* kind;    // one of the kinds listed in the README, e.g. "title_cut"
    std::string section; // the section's name as written in the file; empty for the file as a whole
    int line;            // 1-based; 0 when the file gives none (a key that is missing)
    std::string message; // English, with the file's names and texts as their bytes (code page 936)
};

struct CatalogueCheck {
    std::vector<CheckedZone> zones;
    std::vector<Finding> findings; // ordered by line
};

// Checks the bytes of an AgentIP.ini as the launcher's reader receives them (a UTF-16 file already converted).
CatalogueCheck CheckCatalogue(std::string_view bytes);
