// handoff_file_holder <path> <none|read> <tag>: opens the file with that sharing, signals "<tag>-ready", and keeps
// it open until "<tag>-release" is signalled (at most two minutes, so it always ends).
#include <windows.h>

#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const DWORD share = std::strcmp(argv[2], "read") == 0 ? FILE_SHARE_READ : 0;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::string tag = argv[3];
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (tag + "-ready").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (tag + "-release").c_str());
    if (!ready || !release)
        return 1;
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    return 0;
}
