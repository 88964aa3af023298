#include "handoff/PatchClient.h"

#include <windows.h>

#include <process.h>

#include "win/Gbk.h"
#include "win/KernelHandles.h"

const wchar_t kPatchClientProgram[] = L"TarvoPatchClient.exe";

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
    // two leading blanks the patch client expects. The arguments are code page 936 text; the wide start hands them
    // over as that text on any system, and byte for byte to a patch client that reads them in code page 936.
    const win::WideText count = win::WideFromGbk(args.count);
    const win::WideText serverList = win::WideFromGbk(args.serverList);
    const intptr_t process = _wspawnl(_P_NOWAIT, kPatchClientProgram, L" ", count.data(), serverList.data(), nullptr);
    if (process == -1)
        return false;
    win::KernelHandle owner(reinterpret_cast<HANDLE>(process)); // not waited for; closed so it does not leak
    return true;
}
