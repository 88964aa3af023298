// The patch client's command line for a zone, and its start.
#pragma once

#include <string>

#include "catalogue/ZoneCatalogue.h"

// The program the launcher hands over to, named without a directory: it is found in the current directory, which
// PrepareInstallDirectory has made the installation directory.
extern const wchar_t kPatchClientProgram[];

struct PatchClientArguments {
    std::string count;      // number of servers, decimal
    std::string serverList; // "address port" per server, joined by single blanks, no blank at the end (code page 936)
};

PatchClientArguments BuildPatchClientArguments(const ZoneInfo& zone);

// Starts the patch client without waiting for it. Its command line is two blanks, the count, a blank and the list.
// False when it could not be started (the launcher does not report that).
bool StartPatchClient(const PatchClientArguments& args);
