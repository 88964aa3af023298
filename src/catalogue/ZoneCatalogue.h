// The zone catalogue: the service zones of AgentIP.ini and their agent servers, and the lookup by title.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/ProfileReader.h"

struct ServerEntry {
    std::string address; // at most 31 bytes, passed on as text
    int port;            // always > 0 in a loaded catalogue
};

struct ZoneInfo {
    char title[32]; // NUL-terminated, at most 31 bytes of code page 936
    std::vector<ServerEntry> servers;
};

using ZoneCatalogue = std::vector<ZoneInfo>;

const int kZoneNotFound = -1;

// Clears zones, then scans <installDir>\AgentIP.ini. installDir == nullptr (the installation directory could not be
// read) or an empty directory leaves the catalogue empty and reads no file.
void LoadZoneCatalogue(ZoneCatalogue& zones, const PathChar* installDir);

// Clears zones, then fills them from Zone1, Zone2, ... of the profile. The 11th zone number without a title over
// the whole scan ends it; within a zone the first server with an empty address or a port below 1 ends its list.
void ScanZoneCatalogue(ZoneCatalogue& zones, const ProfileSource& profile);

// Position of the first zone whose title equals title byte for byte, or kZoneNotFound.
int FindZoneByTitle(const ZoneCatalogue& zones, const char* title);
