#include "handoff/PatchClientArguments.h"

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

std::string PatchClientCommandLine(const PatchClientArguments& args)
{
    return "  " + args.count + " " + args.serverList;
}
