// Feeds arbitrary bytes to the profile reader and the zone scan, then checks what the catalogue promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "catalogue/ProfileReader.h"
#include "catalogue/ZoneCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Profile profile = Profile::FromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    ZoneCatalogue zones;
    ScanZoneCatalogue(zones, profile);
    for (size_t i = 0; i < zones.size(); ++i) {
        const ZoneInfo& zone = zones[i];
        size_t length = strnlen(zone.title, sizeof zone.title);
        if (length == 0 || length >= sizeof zone.title)
            std::abort();
        if (FindZoneByTitle(zones, zone.title) > static_cast<int>(i))
            std::abort();
        for (const ServerEntry& server : zone.servers) {
            if (server.address.empty() || server.address.size() > 31 || server.port < 1)
                std::abort();
        }
    }
    char small[3];
    profile.ReadString("Zone1", "ServiceZoneTitle", small, sizeof small);
    if (strnlen(small, sizeof small) >= sizeof small)
        std::abort();
    return 0;
}
