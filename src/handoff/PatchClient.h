// The patch client's command line for a zone, and its start.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "handoff/PatchClientArguments.h"

// The program the launcher hands over to, named without a directory: it is found in the current directory, which
// PrepareInstallDirectory has made the installation directory.
extern const wchar_t kPatchClientProgram[];

// CreateProcess's refusal of a program that needs the user's consent (ERROR_ELEVATION_REQUIRED).
const DWORD kElevationRequired = 740;

// The two ways of starting the patch client; each gives 0 when it started, otherwise the system's error code. An
// empty member means the real thing.
struct PatchClientStartOptions {
    std::function<DWORD(const PatchClientArguments&)> spawn;
    std::function<DWORD(const PatchClientArguments&)> openThroughShell;
    HWND owner = nullptr; // owns the consent prompt
};

// Starts the patch client without waiting for it: spawned from the current directory, and through the shell when
// Windows asks for the user's consent (kElevationRequired: a program it takes for an installer by its name, or
// one marked to run as administrator; only the shell asks and starts it). Gives 0 when it started, otherwise the
// system's error code of the last way tried.
DWORD StartPatchClient(const PatchClientArguments& args, const PatchClientStartOptions& options = {});

// The spawn: the patch client's command line is two blanks, the count, a blank and the list.
DWORD SpawnPatchClient(const PatchClientArguments& args);
// The shell's start with the verb "open" (which shows the consent prompt where it is needed) of the program in the
// current directory, with that directory as its working folder. The command line the patch client receives is the
// program's quoted path, a blank, the count, a blank and the list.
DWORD OpenPatchClientThroughShell(const PatchClientArguments& args, HWND owner);
