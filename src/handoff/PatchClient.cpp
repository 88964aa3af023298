#include "handoff/PatchClient.h"

#include <windows.h>

#include <process.h>

#include "win/KernelHandles.h"

const char kPatchClientProgram[] = "TarvoPatchClient.exe";

PatchClientArguments BuildPatchClientArguments(const ZoneInfo& zone)
{
    PatchClientArguments args;
    args.count = std::to_string(zone.servers.size());
    for (const ServerEntry& server : zone.servers) {
        args.serverList += server.address;
        args.serverList += ' ';
        args.serverList += std::to_string(server.port);
        args.serverList += ' ';
    }
    if (!args.serverList.empty())
        args.serverList.pop_back();
    return args;
}

bool StartPatchClient(const PatchClientArguments& args)
{
    // The runtime joins the arguments with single blanks and quotes nothing: the program-name slot " " gives the
    // two leading blanks the patch client expects.
    const intptr_t process =
        _spawnl(_P_NOWAIT, kPatchClientProgram, " ", args.count.c_str(), args.serverList.c_str(), nullptr);
    if (process == -1)
        return false;
    win::KernelHandle owner(reinterpret_cast<HANDLE>(process)); // not waited for; closed so it does not leak
    return true;
}
