#include "catalogue/InstallDirectory.h"

#include <windows.h>

#include <cstring>

#include "win/KernelHandles.h"

bool ReadInstallDirectory(char (&dir)[kInstallDirSize])
{
    dir[0] = '\0';
    HKEY opened = nullptr;
    // The launcher is a 32-bit program: its key lives in the 32-bit view, which a 64-bit build must ask for.
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quon\\Tarvo", 0, KEY_READ | KEY_WOW64_32KEY, &opened)
        != ERROR_SUCCESS)
        return false;
    win::RegKey key(opened);

    DWORD size = kInstallDirSize;
    if (::RegQueryValueExA(key.Get(), "defaultdir", nullptr, nullptr, reinterpret_cast<BYTE*>(dir), &size)
        != ERROR_SUCCESS) {
        dir[0] = '\0';
        return false;
    }
    // Registry data need not carry a terminator (binary and DWORD data never do, and a string may not).
    if (std::memchr(dir, '\0', size) == nullptr) {
        if (size >= kInstallDirSize) {
            dir[0] = '\0';
            return false;
        }
        dir[size] = '\0';
    }
    return true;
}
