// Loads AgentIP.ini catalogues of 50 and 1000 zones x 4 servers with our reader and with the platform's
// GetPrivateProfileStringA/IntA in the same run, and prints both times and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlatformProfile.h"
#include "catalogue/ZoneCatalogue.h"

namespace {

namespace fs = std::filesystem;

double Seconds()
{
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void WriteCatalogue(const fs::path& file, int zones)
{
    std::ofstream out(file, std::ios::binary);
    for (int n = 1; n <= zones; ++n) {
        out << "[Zone" << n << "]\r\nServiceZoneTitle=\xB5\xE7\xD0\xC5" << n << "\xC7\xF8\r\n";
        for (int k = 1; k <= 4; ++k)
            out << "AgentIP" << k << "=10." << n / 256 << '.' << n % 256 << '.' << k << "\r\nPort" << k << "="
                << 7000 + k << "\r\n";
    }
}

// Best of `runs` timings of one load, in milliseconds.
template <class Load>
double BestMs(int runs, Load load)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double start = Seconds();
        load();
        best = std::min(best, (Seconds() - start) * 1000.0);
    }
    return best;
}

} // namespace

int main()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const fs::path root = fs::path(temp) / ("tarvo-bench-catalogue-" + std::to_string(::GetCurrentProcessId()));
    int status = 0;
    std::printf("%-12s %12s %14s %8s\n", "zones", "ours (ms)", "platform (ms)", "ratio");
    for (int count : {50, 1000}) {
        const fs::path dir = root / std::to_string(count);
        fs::create_directories(dir);
        WriteCatalogue(dir / "AgentIP.ini", count);
        const std::wstring dirText = dir.wstring();

        ZoneCatalogue ours, theirs;
        double oursMs = BestMs(20, [&] { LoadZoneCatalogue(ours, dirText.c_str()); });
        PlatformProfile platform((dir / "AgentIP.ini").string());
        double theirsMs = BestMs(count > 100 ? 1 : 3, [&] { ScanZoneCatalogue(theirs, platform); });

        bool same = ours.size() == static_cast<size_t>(count) && ours.size() == theirs.size();
        for (size_t i = 0; same && i < ours.size(); ++i) {
            same = std::string(ours[i].title) == theirs[i].title && ours[i].servers.size() == 4 &&
                   theirs[i].servers.size() == 4;
        }
        std::printf("%-12s %12.2f %14.2f %7.0fx%s\n", (std::to_string(count) + " x 4").c_str(), oursMs, theirsMs,
                    theirsMs / oursMs, same ? "" : "  (catalogues differ!)");
        if (!same)
            status = 1;
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return status;
}
