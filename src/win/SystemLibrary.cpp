#include "SystemLibrary.h"

#include <cwchar>

namespace win {

void RestrictDllSearchToSystem()
{
    // Windows 8 and later, and Windows 7 with its update, have SetDefaultDllDirectories; looked up, as the launcher
    // must still start without it. Where it is missing, the current directory at least leaves the search.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = ModuleFunction<SetDefaultDllDirectoriesFn>(
        ::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    if (!name || !*name)
        return nullptr;
    HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // A Windows 7 without the update that added the flag refuses it: name the file by its full System32 path. (A
    // 32-bit process on 64-bit Windows is redirected from there to its own system folder, as it should be.) Loaded
    // so, its own dependencies are searched for from System32 too, not from the program's folder first.
    wchar_t path[MAX_PATH];
    const UINT folder = ::GetSystemDirectoryW(path, MAX_PATH);
    const size_t length = std::wcslen(name);
    if (folder == 0 || folder + 1 + length >= MAX_PATH)
        return nullptr;
    path[folder] = L'\\';
    std::wmemcpy(path + folder + 1, name, length + 1);
    return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace win
