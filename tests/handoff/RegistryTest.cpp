// PrepareInstallDirectory with the installation directory taken from the registry (32-bit view), as the Start
// command uses it. The value present before the test is put back afterwards.
#include <gtest/gtest.h>

#include <optional>

#include "HandoffSupport.h"
#include "handoff/PendingUpdates.h"

using namespace handoff_test;

namespace {

const char kKey[] = "SOFTWARE\\Quon\\Tarvo";
const REGSAM kView = KEY_WOW64_32KEY;

class RegistryPrepare : public InstallFolderTest {
protected:
    void SetUp() override
    {
        InstallFolderTest::SetUp();
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE | kView, nullptr, &raw,
                                  nullptr),
                  ERROR_SUCCESS);
        m_key.Reset(raw);
        char saved[1024];
        DWORD size = sizeof saved, type = 0;
        if (RegQueryValueExA(m_key.Get(), "defaultdir", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size) ==
            ERROR_SUCCESS)
            m_saved = std::make_pair(type, std::string(saved, size));
    }
    void TearDown() override
    {
        if (m_saved)
            RegSetValueExA(m_key.Get(), "defaultdir", 0, m_saved->first,
                           reinterpret_cast<const BYTE*>(m_saved->second.data()),
                           static_cast<DWORD>(m_saved->second.size()));
        else
            RegDeleteValueA(m_key.Get(), "defaultdir");
        InstallFolderTest::TearDown();
    }
    void SetDirectory(const std::string& dir)
    {
        ASSERT_EQ(RegSetValueExA(m_key.Get(), "defaultdir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                                 static_cast<DWORD>(dir.size() + 1)),
                  ERROR_SUCCESS);
    }

    win::RegKey m_key;
    std::optional<std::pair<DWORD, std::string>> m_saved;
};

TEST_F(RegistryPrepare, InstallDirectoryBecomesCurrentAndPendingFilesArePromoted)
{
    SetDirectory(m_install);
    ASSERT_TRUE(WriteBytes(At("game.dat"), "old"));
    ASSERT_TRUE(CreateDirectoryA(At("Temp").c_str(), nullptr) && WriteBytes(At("Temp\\game.dat"), "new"));
    ASSERT_TRUE(PrepareInstallDirectory());
    EXPECT_EQ(CurrentDirectory(), m_install);
    EXPECT_EQ(ReadBytes(At("game.dat")), "new");
    EXPECT_FALSE(Exists(At("Temp")));
}

TEST_F(RegistryPrepare, MissingValueFailsAndLeavesCurrentDirectory)
{
    RegDeleteValueA(m_key.Get(), "defaultdir");
    ASSERT_TRUE(SetCurrentDirectoryA(m_root.c_str()));
    EXPECT_FALSE(PrepareInstallDirectory());
    EXPECT_EQ(CurrentDirectory(), m_root);
}

} // namespace
