// zonecheck: shows a publisher the zones of an AgentIP.ini as the launcher will list them, and what is wrong in it.
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zonecheck [--json] PATH\n");
        return 2;
    }
    (void)argv;
    return 0;
}
