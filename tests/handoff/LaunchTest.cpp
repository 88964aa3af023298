// The patch client's arguments for a zone, and a real start of the stand-in patch client from a fresh installation
// folder, checked against the exact command-line bytes it recorded.
#include <gtest/gtest.h>

#include <cstdlib>
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

class Launch : public InstallFolderTest, public testing::WithParamInterface<LaunchCase> {};

TEST_P(Launch, PatchClientReceivesExactCommandLineInInstallFolder)
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
    ASSERT_TRUE(StartPatchClient(args));

    const std::string recordPath = At("TarvoPatchClient.record");
    // Wait for a record that reads whole: right after the stand-in moves it into place, its move can still hold the
    // file and an open for reading fails for a moment.
    PatchClientRecord record;
    ASSERT_TRUE(WaitFor([&] { return ReadPatchClientRecord(recordPath, record); }))
        << "the patch client left no readable record";
    EXPECT_EQ(record.commandLine, GetParam().commandLine);
    EXPECT_EQ(_stricmp(record.currentDirectory.c_str(), m_install.c_str()), 0) << record.currentDirectory;

    // The stand-in ends by itself; wait for that so its folder can be removed.
    win::KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, record.processId));
    if (process && WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        ADD_FAILURE() << "the patch client did not end";
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, Launch, testing::ValuesIn(kLaunchCases),
                         [](const testing::TestParamInfo<LaunchCase>& row) { return row.param.name; });

using LaunchTest = InstallFolderTest;

// The patch client is looked for in the current directory only, and its absence is not fatal.
TEST_F(LaunchTest, MissingPatchClientIsReportedAsNotStarted)
{
    ASSERT_TRUE(SetCurrentDirectoryA(m_install.c_str()));
    EXPECT_FALSE(StartPatchClient(BuildPatchClientArguments(ZoneInfo{"zone", {{"1.2.3.4", 800}}})));
}

} // namespace
