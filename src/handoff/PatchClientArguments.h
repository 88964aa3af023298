// The patch client's arguments for a zone, and the command line they give it. Platform-free: the launcher starts the
// patch client with them, and the catalogue checker shows publishers the same line.
#pragma once

#include <string>

#include "catalogue/ZoneCatalogue.h"

struct PatchClientArguments {
    std::string count;      // number of servers, decimal
    std::string serverList; // "address port" per server, joined by single blanks, no blank at the end (code page 936)
};

PatchClientArguments BuildPatchClientArguments(const ZoneInfo& zone);

// What the patch client receives when the runtime joins the program-name slot " ", the count and the list with single
// blanks, quoting nothing: two blanks, the count, a blank and the list.
std::string PatchClientCommandLine(const PatchClientArguments& args);
