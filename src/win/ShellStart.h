// Starts through the shell (ShellExecuteExW), which asks Windows for the user's consent where a program needs it. The
// shell is looked up on first use rather than imported: a launcher that never needs it never loads it.
#pragma once

#include <windows.h>

#include <shellapi.h>

namespace win {

// Runs ShellExecuteExW with `info`, the thread in a single-threaded apartment for the call (the shell may hand the
// start to COM objects). 0 when it started, otherwise the system's error (ERROR_CANCELLED: consent refused).
DWORD ShellStart(SHELLEXECUTEINFOW& info);

} // namespace win
