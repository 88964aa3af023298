// The installation directory, as the installer recorded it in the registry.
#pragma once

#include <cstddef>

const size_t kInstallDirSize = 260;

// Reads "defaultdir" under HKEY_LOCAL_MACHINE\SOFTWARE\Quon\Tarvo from the registry's 32-bit view. On success dir
// holds the stored path, unexpanded and always terminated; a value that does not fit in kInstallDirSize bytes with
// its terminator fails. Only reads: the key is never created.
bool ReadInstallDirectory(char (&dir)[kInstallDirSize]);
