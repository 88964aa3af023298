// Timestamps of the launcher's start-up, for the start-up benchmark's breakdown of where the time goes. Only a build
// with TARVO_STARTUP_TRACE defined (the benchmark's own copy of the launcher) records them: each mark appends
// "<name> <QueryPerformanceCounter ticks>" to the file named by the environment variable TARVO_STARTUP_TRACE. In the
// launcher itself a mark is nothing.
#pragma once

#ifdef TARVO_STARTUP_TRACE
#include <windows.h>

#include <cstdio>
#endif

namespace win {

#ifdef TARVO_STARTUP_TRACE
inline void StartupMark(const char* name)
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    static const HANDLE file = [] {
        wchar_t path[MAX_PATH] = L"";
        const DWORD n = ::GetEnvironmentVariableW(L"TARVO_STARTUP_TRACE", path, MAX_PATH);
        return n > 0 && n < MAX_PATH ? ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr)
                                     : INVALID_HANDLE_VALUE;
    }();
    char line[128];
    const int length = std::snprintf(line, sizeof line, "%s %lld\n", name, static_cast<long long>(now.QuadPart));
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE && length > 0 && length < int(sizeof line))
        ::WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}
#else
inline void StartupMark(const char*)
{
}
#endif

} // namespace win
