#include "catalogue/ZoneCatalogue.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue/ProfileReader.h"

namespace {

const int kMaxMissingZones = 10;
const size_t kTextSize = 32;

#ifdef _WIN32
const wchar_t kCatalogueFile[] = L"\\AgentIP.ini";
#else
const char kCatalogueFile[] = "/AgentIP.ini";
#endif

} // namespace

void LoadZoneCatalogue(ZoneCatalogue& zones, const PathChar* installDir)
{
    zones.clear();
    // Without a directory there is no catalogue to read: "\AgentIP.ini" alone would name the root of the current
    // drive, a file that is not the installation's.
    if (!installDir || !*installDir)
        return;
    std::vector<PathChar> path(installDir, installDir + std::char_traits<PathChar>::length(installDir));
    path.insert(path.end(), std::begin(kCatalogueFile), std::end(kCatalogueFile)); // with its terminator
    ScanZoneCatalogue(zones, Profile::FromFile(path.data()));
}

void ScanZoneCatalogue(ZoneCatalogue& zones, const ProfileSource& profile)
{
    zones.clear();
    char section[32];
    char key[32];
    int missing = 0;
    for (int n = 1;; ++n) {
        std::snprintf(section, sizeof section, "Zone%d", n);
        ZoneInfo zone{};
        profile.ReadString(section, "ServiceZoneTitle", zone.title, sizeof zone.title);
        if (zone.title[0] == '\0') {
            if (missing == kMaxMissingZones)
                break;
            ++missing;
            continue;
        }
        for (int k = 1;; ++k) {
            char address[kTextSize];
            std::snprintf(key, sizeof key, "AgentIP%d", k);
            profile.ReadString(section, key, address, sizeof address);
            if (address[0] == '\0')
                break;
            std::snprintf(key, sizeof key, "Port%d", k);
            int port = profile.ReadInt(section, key, 0);
            if (port < 1)
                break;
            zone.servers.push_back(ServerEntry{address, port});
        }
        zones.push_back(std::move(zone));
    }
}

int FindZoneByTitle(const ZoneCatalogue& zones, const char* title)
{
    for (size_t i = 0; i < zones.size(); ++i) {
        if (std::strcmp(zones[i].title, title) == 0)
            return static_cast<int>(i);
    }
    return kZoneNotFound;
}
