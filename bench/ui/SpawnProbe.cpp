// Put in place of the patch client while the hand-off is timed: records when the system created this process (its
// creation time, a system-time FILETIME) in TarvoPatchClient.spawn beside itself, then ends. The record is written
// to a .part file and moved into place, so a reader never sees half of it.
#include <windows.h>

#include <cstdio>
#include <string>

int main()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length < MAX_PATH ? length : 0);
    dir = dir.substr(0, dir.find_last_of("\\/") + 1);
    const std::string part = dir + "TarvoPatchClient.spawn.part";
    FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        return 1;
    const unsigned long long ticks = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) |
                                     created.dwLowDateTime;
    std::fprintf(file, "%llu\n", ticks);
    std::fclose(file);
    return ::MoveFileExA(part.c_str(), (dir + "TarvoPatchClient.spawn").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
