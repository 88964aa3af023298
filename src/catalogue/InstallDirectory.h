// The installation directory, as the installer recorded it in the registry.
#pragma once

#include <cstddef>

// The platform's path limit, MAX_PATH, in UTF-16 units with the terminator.
const size_t kInstallDirSize = 260;

// Reads "defaultdir" under HKEY_LOCAL_MACHINE\SOFTWARE\Quon\Tarvo from the registry's 32-bit view. On success dir
// holds the stored path, unexpanded and always terminated. A string value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ: its
// first string) is taken as stored, in UTF-16, and fails when it does not fit in kInstallDirSize units with its
// terminator. A value of any other type is taken as the bytes of a code page 936 text, which must fit in
// kInstallDirSize bytes with its terminator. Only reads: the key is never created.
bool ReadInstallDirectory(wchar_t (&dir)[kInstallDirSize]);
