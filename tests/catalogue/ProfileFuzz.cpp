// Feeds arbitrary bytes to the profile reader, the zone scan and the catalogue checker, then checks what the
// catalogue promises and that the checker lists the scan's zones.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "catalogue/ProfileReader.h"
#include "catalogue/ZoneCatalogue.h"
#include "zonecheck/Encoding.h"
#include "zonecheck/Report.h"
#include "zonecheck/ZoneCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Profile profile = Profile::FromBytes(bytes);
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
    const CatalogueCheck check = CheckCatalogue(bytes);
    if (check.zones.size() != zones.size())
        std::abort();
    for (size_t i = 0; i < zones.size(); ++i) {
        if (std::strcmp(check.zones[i].zone.title, zones[i].title) != 0)
            std::abort();
    }
    if (TextReport(check).empty() || JsonReport(check).empty())
        std::abort();
    // The checker converts a UTF-16 file a character at a time, as the reader does in one go.
    encoding::CharacterTable table;
    if (IsUtf16Profile(bytes) && table.GbkFromUtf16File(bytes) != GbkFromUtf16Profile(bytes))
        std::abort();
    // The same bytes as a file on disk: a UTF-16 file goes through the reader's conversion first.
    if (TextReport(CheckCatalogueFile(bytes)).empty())
        std::abort();
    char small[3];
    profile.ReadString("Zone1", "ServiceZoneTitle", small, sizeof small);
    if (strnlen(small, sizeof small) >= sizeof small)
        std::abort();
    return 0;
}
