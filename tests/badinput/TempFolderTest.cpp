// Bad Temp folders met by the promotion before the patch client starts: the table in tests/data/badinput/temp.txt,
// run through PrepareInstallDirectory with the one-second waits counted instead of slept. Whatever the folder holds,
// every installed file ends with its old or its new bytes and no waiting file is lost.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "HandoffSupport.h"
#include "handoff/PendingUpdates.h"

using namespace handoff_test;

namespace {

const ULONGLONG kGiB = 1ULL << 30;

std::string Numbered(const char* form, int i)
{
    char text[32];
    std::snprintf(text, sizeof text, form, i);
    return text;
}

class TempFolderCase : public InstallFolderTest, public testing::WithParamInterface<Scenario> {
protected:
    // The path with {srcN} replaced by a name that makes <install>\Temp\<name> exactly N bytes long.
    std::string Resolve(std::string path) const
    {
        const size_t open = path.find("{src");
        if (open != std::string::npos) {
            const size_t close = path.find('}', open);
            const size_t total = std::stoul(path.substr(open + 4, close - open - 4));
            const size_t length = total - (m_install.size() + sizeof "\\Temp\\" - 1);
            path.replace(open, close - open + 1, std::string(length, 'n'));
        }
        for (char& c : path)
            c = c == '/' ? '\\' : c;
        return At(path);
    }

    void MakeTemp() { CreateDirectoryA(At("Temp").c_str(), nullptr); }
};

TEST_P(TempFolderCase, LosesNothing)
{
    std::vector<std::unique_ptr<FileHolder>> holders;
    MakeTemp();
    for (const auto& w : GetParam().lines) {
        if (w[0] == "file") {
            const DWORD attributes = w.size() > 3 && w[3] == "readonly" ? FILE_ATTRIBUTE_READONLY : 0;
            ASSERT_TRUE(WriteBytes(Resolve(w[1]), w[2] == "-" ? "" : w[2], attributes)) << w[1];
        } else if (w[0] == "dir") {
            ASSERT_TRUE(CreateDirectoryW(LongPath(Resolve(w[1])).c_str(), nullptr)) << w[1];
        } else if (w[0] == "sparse") {
            win::FileHandle file(
                CreateFileW(LongPath(Resolve(w[1])).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
            ASSERT_TRUE(file);
            DWORD unused = 0;
            DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
            LARGE_INTEGER size;
            size.QuadPart = static_cast<LONGLONG>(std::stoull(w[2]) * kGiB);
            ASSERT_TRUE(SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()));
        } else if (w[0] == "many") {
            for (int i = 0; i < std::stoi(w[1]); ++i) {
                ASSERT_TRUE(WriteBytes(At(Numbered("f%04d.dat", i)), Numbered("old-%04d", i)));
                ASSERT_TRUE(WriteBytes(At(Numbered("Temp\\f%04d.dat", i)), Numbered("new-%04d", i)));
            }
        } else if (w[0] == "hold") {
            holders.push_back(std::make_unique<FileHolder>(Resolve(w[1]), w[2] == "read"));
            ASSERT_TRUE(holders.back()->Holding()) << w[1];
        }
    }

    int waits = 0;
    PromotionOptions options;
    options.readInstallDirectory = [this](wchar_t(&dir)[kInstallDirSize]) {
        return FillInstallDirectory(dir, m_install);
    };
    options.wait = [&waits](unsigned) { ++waits; };
    options.beforeStep = ExpectPlainReplaceTarget;
    ASSERT_TRUE(PrepareInstallDirectory(options));
    EXPECT_EQ(CurrentDirectory(), m_install);
    holders.clear();

    for (const auto& w : GetParam().lines) {
        if (w[0] == "waits") {
            EXPECT_EQ(waits, std::stoi(w[1]));
        } else if (w[0] == "expect") {
            EXPECT_EQ(ReadBytes(Resolve(w[1])), w[2] == "-" ? "" : w[2]) << w[1];
        } else if (w[0] == "absent") {
            EXPECT_FALSE(Exists(Resolve(w[1]))) << w[1];
        } else if (w[0] == "present") {
            EXPECT_TRUE(Exists(Resolve(w[1]))) << w[1];
        } else if (w[0] == "gib") {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            ASSERT_TRUE(GetFileAttributesExW(LongPath(Resolve(w[1])).c_str(), GetFileExInfoStandard, &data));
            EXPECT_EQ((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, std::stoull(w[2]) * kGiB);
        } else if (w[0] == "all-new") {
            for (int i = 0; i < std::stoi(w[1]); ++i)
                ASSERT_EQ(ReadBytes(At(Numbered("f%04d.dat", i))), Numbered("new-%04d", i)) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TempFolderCase, testing::ValuesIn(LoadScenarios("badinput/temp.txt")),
                         [](const testing::TestParamInfo<Scenario>& row) { return row.param.name; });

} // namespace
