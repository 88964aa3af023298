// The patch client's arguments for a zone, and a real start of the stand-in patch client from a fresh installation
// folder, checked against the exact command-line bytes it recorded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "HandoffSupport.h"
#include "PatchClientRecord.h"
#include "handoff/PatchClient.h"
#include "handoff/PendingUpdates.h"

using namespace handoff_test;

namespace {

struct LaunchCase {
    const char* name;
    std::vector<ServerEntry> servers;
    const char* count;
    const char* list;
    const char* commandLine;
};

const LaunchCase kLaunchCases[] = {
    {"two_servers",
     {{"10.0.0.1", 700}, {"10.0.0.2", 701}},
     "2",
     "10.0.0.1 700 10.0.0.2 701",
     "  2 10.0.0.1 700 10.0.0.2 701"},
    {"one_server", {{"1.2.3.4", 800}}, "1", "1.2.3.4 800", "  1 1.2.3.4 800"},
    {"no_server", {}, "0", "", "  0 "},
    {"ports_in_decimal",
     {{"a.b", 8}, {"c.d", 65535}, {"e.f", 1000000}},
     "3",
     "a.b 8 c.d 65535 e.f 1000000",
     "  3 a.b 8 c.d 65535 e.f 1000000"},
    {"gbk_host_name",
     {{"\xb7\xfe\xce\xf1\xc6\xf7", 7000}},
     "1",
     "\xb7\xfe\xce\xf1\xc6\xf7 7000",
     "  1 \xb7\xfe\xce\xf1\xc6\xf7 7000"},
};

void PrintTo(const LaunchCase& row, std::ostream* out)
{
    *out << row.name;
}

class Launch : public InstallFolderTest, public testing::WithParamInterface<LaunchCase> {
protected:
    // Starts the stand-in from a fresh installation folder with `start` and checks the command line it received.
    void ExpectReceived(const std::function<DWORD(const PatchClientArguments&)>& start, const std::string& line)
    {
        ZoneInfo zone{"zone", GetParam().servers};
        const PatchClientArguments args = BuildPatchClientArguments(zone);
        EXPECT_EQ(args.count, GetParam().count);
        EXPECT_EQ(args.serverList, GetParam().list);

        ASSERT_TRUE(
            CopyFileA((ProgramFolder() + "\\TarvoPatchClient.exe").c_str(), At("TarvoPatchClient.exe").c_str(), FALSE));
        ASSERT_EQ(_putenv("TARVO_PATCH_CLIENT_QUIET=1"), 0);
        PromotionOptions options;
        options.readInstallDirectory = [this](wchar_t(&dir)[kInstallDirSize]) {
            return FillInstallDirectory(dir, m_install);
        };
        ASSERT_TRUE(PrepareInstallDirectory(options));
        ASSERT_EQ(start(args), 0u);

        const std::string recordPath = At("TarvoPatchClient.record");
        // Wait for a record that reads whole: right after the stand-in moves it into place, its move can still hold
        // the file and an open for reading fails for a moment.
        PatchClientRecord record;
        ASSERT_TRUE(WaitFor([&] { return ReadPatchClientRecord(recordPath, record); }))
            << "the patch client left no readable record";
        EXPECT_EQ(record.commandLine, line);
        EXPECT_EQ(_stricmp(record.currentDirectory.c_str(), m_install.c_str()), 0) << record.currentDirectory;

        // The stand-in ends by itself; wait for that so its folder can be removed.
        win::KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, record.processId));
        if (process && WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
            TerminateProcess(process.Get(), 1);
            ADD_FAILURE() << "the patch client did not end";
        }
    }
};

TEST_P(Launch, PatchClientReceivesExactCommandLineInInstallFolder)
{
    ExpectReceived([](const PatchClientArguments& args) { return StartPatchClient(args); }, GetParam().commandLine);
}

// The shell's start (taken when Windows asks for consent): the program-name slot is the program's quoted path, the
// count and the list follow unchanged.
TEST_P(Launch, ThroughTheShellTheProgramSlotIsTheQuotedPath)
{
    const std::string quoted = "\"" + m_install + "\\TarvoPatchClient.exe\" ";
    ExpectReceived([](const PatchClientArguments& args) { return OpenPatchClientThroughShell(args, nullptr); },
                   quoted + (GetParam().commandLine + 2));
}

INSTANTIATE_TEST_SUITE_P(Zones, Launch, testing::ValuesIn(kLaunchCases),
                         [](const testing::TestParamInfo<LaunchCase>& row) { return row.param.name; });

// Which way the start takes, and the error it gives: the shell only when the spawn was refused for want of consent.
// 740 is Windows' ERROR_ELEVATION_REQUIRED (MinGW's headers lack the name), written out rather than taken from the
// launcher's constant, so a wrong constant fails here.
struct StartCase {
    const char* name;
    DWORD spawnError;
    DWORD shellError;
    bool throughShell;
    DWORD result;
};

const StartCase kStartCases[] = {
    {"spawned", 0, 0, false, 0},
    {"consent_given", 740, 0, true, 0},
    {"consent_refused", 740, ERROR_CANCELLED, true, ERROR_CANCELLED},
    {"missing", ERROR_FILE_NOT_FOUND, 0, false, ERROR_FILE_NOT_FOUND},
    {"not_a_program", ERROR_BAD_EXE_FORMAT, 0, false, ERROR_BAD_EXE_FORMAT},
    {"access_denied", ERROR_ACCESS_DENIED, 0, false, ERROR_ACCESS_DENIED},
};

TEST(PatchClientStart, TakesTheShellOnlyWhenConsentIsNeeded)
{
    for (const StartCase& row : kStartCases) {
        bool throughShell = false;
        PatchClientStartOptions options;
        options.spawn = [&](const PatchClientArguments&) { return row.spawnError; };
        options.openThroughShell = [&](const PatchClientArguments&) {
            throughShell = true;
            return row.shellError;
        };
        EXPECT_EQ(StartPatchClient({"1", "1.2.3.4 800"}, options), row.result) << row.name;
        EXPECT_EQ(throughShell, row.throughShell) << row.name;
    }
}

using LaunchTest = InstallFolderTest;

// The patch client is looked for in the current directory only. The causes of a failed spawn are told apart by the
// system's code: errno is the same (EINVAL) for a file that is not a program and for a refused consent.
TEST_F(LaunchTest, FailedSpawnGivesTheSystemsReason)
{
    ASSERT_TRUE(SetCurrentDirectoryA(m_install.c_str()));
    const PatchClientArguments args = BuildPatchClientArguments(ZoneInfo{"zone", {{"1.2.3.4", 800}}});
    const DWORD missing = SpawnPatchClient(args);
    EXPECT_TRUE(missing == ERROR_FILE_NOT_FOUND || missing == ERROR_PATH_NOT_FOUND) << missing;
    ASSERT_TRUE(WriteBytes(At("TarvoPatchClient.exe"), "not a program\r\n"));
    EXPECT_EQ(SpawnPatchClient(args), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

} // namespace
