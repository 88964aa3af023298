#include "catalogue/InstallDirectory.h"

#include <windows.h>

#include <cwchar>

#include "win/Gbk.h"
#include "win/KernelHandles.h"

namespace {

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Registry data need not carry a terminator (binary and DWORD data never do, and a string may not): the text is
// what comes before the first terminator, or all of it, and it must leave room for a terminator of its own.
template <class Char>
bool TerminatedLength(const Char* data, size_t count, size_t capacity, size_t& length)
{
    length = 0;
    while (length < count && data[length] != Char(0))
        ++length;
    return length < capacity;
}

} // namespace

bool ReadInstallDirectory(wchar_t (&dir)[kInstallDirSize])
{
    dir[0] = L'\0';
    HKEY opened = nullptr;
    // The launcher is a 32-bit program: its key lives in the 32-bit view, which a 64-bit build must ask for.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quon\\Tarvo", 0, KEY_READ | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return false;
    win::RegKey key(opened);

    // Room for a string of kInstallDirSize units, which is also room for kInstallDirSize bytes of other data.
    wchar_t data[kInstallDirSize];
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    if (::RegQueryValueExW(key.Get(), L"defaultdir", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return false;

    size_t length = 0;
    if (IsStringType(type)) {
        if (!TerminatedLength(data, size / sizeof(wchar_t), kInstallDirSize, length))
            return false;
        std::wmemcpy(dir, data, length);
        dir[length] = L'\0';
        return true;
    }
    // The bytes of any other type are a code page 936 text, as the installer of the Chinese edition wrote them.
    const char* bytes = reinterpret_cast<const char*>(data);
    if (size > kInstallDirSize || !TerminatedLength(bytes, size, kInstallDirSize, length))
        return false;
    const win::WideText text = win::WideFromGbk(std::string_view(bytes, length));
    if (text.size() > kInstallDirSize)
        return false;
    std::wmemcpy(dir, text.data(), text.size());
    return true;
}
