// The installation directory lookup against the registry of the test prefix. Every test starts without the
// launcher's key and leaves the registry as it found it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "catalogue/InstallDirectory.h"

namespace {

const char kKeyPath[] = "SOFTWARE\\Quon\\Tarvo";
const char kParentPath[] = "SOFTWARE\\Quon";

bool KeyExists(const char* path, REGSAM view)
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

void DeleteKey(const char* path, REGSAM view)
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
        ::RegDeleteTreeA(key, nullptr);
        ::RegCloseKey(key);
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, view, 0);
    }
}

bool IsString(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Code page 936 bytes (NULs included) as UTF-16, and back.
std::wstring Wide(const std::string& gbk)
{
    std::wstring wide(gbk.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0],
                                                          static_cast<int>(wide.size()))));
    return wide;
}

std::string Gbk(const std::wstring& wide)
{
    std::string gbk(wide.size() * 2, '\0');
    gbk.resize(static_cast<size_t>(::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), &gbk[0],
                                                         static_cast<int>(gbk.size()), nullptr, nullptr)));
    return gbk;
}

// Stores the data as given: raw bytes (raw = true), or for a string type the code page 936 text in UTF-16, the form
// the registry keeps strings in.
void WriteValue(REGSAM view, DWORD type, const std::string& data, const char* name = "defaultdir", bool raw = false)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                               nullptr, &key, nullptr));
    const std::wstring wide = Wide(data);
    const std::wstring wideName = Wide(name);
    const bool asText = IsString(type) && !raw;
    LONG rc = ::RegSetValueExW(key, wideName.c_str(), 0, type,
                               asText ? reinterpret_cast<const BYTE*>(wide.data())
                                      : reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(asText ? wide.size() * sizeof(wchar_t) : data.size()));
    ::RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, rc);
}

class InstallDirectory : public ::testing::Test {
protected:
    // Keeps whatever value an earlier run of the prefix left (a demo installation, say) and puts it back after.
    void SetUp() override
    {
        m_hadParent = KeyExists(kParentPath, KEY_WOW64_32KEY);
        HKEY key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
            DWORD size = 0;
            if (::RegQueryValueExW(key, L"defaultdir", nullptr, &m_savedType, nullptr, &size) == ERROR_SUCCESS) {
                m_saved.resize(size);
                ::RegQueryValueExW(key, L"defaultdir", nullptr, &m_savedType, reinterpret_cast<BYTE*>(m_saved.data()),
                                   &size);
                m_hadValue = true;
            }
            ::RegCloseKey(key);
        }
        ASSERT_FALSE(KeyExists(kKeyPath, KEY_WOW64_64KEY)) << "the 64-bit view already holds the launcher's key";
        DeleteKey(kKeyPath, KEY_WOW64_32KEY);
        ASSERT_FALSE(KeyExists(kKeyPath, KEY_WOW64_32KEY));
    }
    void TearDown() override
    {
        DeleteKey(kKeyPath, KEY_WOW64_32KEY);
        DeleteKey(kKeyPath, KEY_WOW64_64KEY);
        if (m_hadValue)
            WriteValue(KEY_WOW64_32KEY, m_savedType, m_saved, "defaultdir", true);
        if (!m_hadParent) {
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kParentPath, KEY_WOW64_32KEY, 0);
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kParentPath, KEY_WOW64_64KEY, 0);
        }
    }

    // Calls the lookup with a buffer full of 'X', so a missing terminator shows; the result as code page 936 bytes.
    bool Read(std::string& dir)
    {
        wchar_t buffer[kInstallDirSize];
        std::wmemset(buffer, L'X', kInstallDirSize);
        bool found = ReadInstallDirectory(buffer);
        const wchar_t* nul = std::wmemchr(buffer, L'\0', kInstallDirSize);
        EXPECT_NE(nullptr, nul) << "result not terminated";
        dir = nul ? Gbk(buffer) : std::string();
        return found;
    }

    bool m_hadParent = false;
    bool m_hadValue = false;
    DWORD m_savedType = REG_SZ;
    std::string m_saved;
};

TEST_F(InstallDirectory, ValuesOfEveryShape)
{
    const std::string with259(259, 'd');
    std::string chinese259; // 259 characters, 518 bytes of code page 936
    for (int i = 0; i < 259; ++i)
        chinese259 += "\xD3\xCE";
    const struct {
        const char* what;
        DWORD type;
        std::string data;
        bool found;
        std::string dir;
    } rows[] = {
        {"path", REG_SZ, std::string("Z:\\tmp\\game", 12), true, "Z:\\tmp\\game"},
        {"GBK path, trailing separator kept", REG_SZ, std::string("D:\\\xD3\xCE\xCF\xB7\\", 9), true,
         "D:\\\xD3\xCE\xCF\xB7\\"},
        {"259 bytes and terminator", REG_SZ, with259 + '\0', true, with259},
        {"260 bytes and terminator", REG_SZ, std::string(260, 'd') + '\0', false, ""},
        {"300 bytes", REG_SZ, std::string(300, 'd') + '\0', false, ""},
        // A string's limit is 260 UTF-16 units with the terminator, whatever its characters take in code page 936.
        {"259 Chinese characters and terminator", REG_SZ, chinese259 + '\0', true, chinese259},
        {"260 Chinese characters and terminator", REG_SZ, chinese259 + "\xD3\xCE" + '\0', false, ""},
        {"string without terminator", REG_SZ, "C:\\Game", true, "C:\\Game"},
        {"expandable, used unexpanded", REG_EXPAND_SZ, std::string("%SystemRoot%\\game", 18), true,
         "%SystemRoot%\\game"},
        {"binary, never terminated", REG_BINARY, "Z:\\bin", true, "Z:\\bin"},
        {"binary of 259 bytes", REG_BINARY, with259, true, with259},
        {"binary of 260 bytes", REG_BINARY, std::string(260, 'b'), false, ""},
        {"DWORD", REG_DWORD, "DCBA", true, "DCBA"},
        {"empty", REG_SZ, std::string(1, '\0'), true, ""},
    };
    for (const auto& r : rows) {
        WriteValue(KEY_WOW64_32KEY, r.type, r.data);
        std::string dir;
        EXPECT_EQ(r.found, Read(dir)) << r.what;
        EXPECT_EQ(r.dir, dir) << r.what;
    }
}

TEST_F(InstallDirectory, MissingKeyFailsAndIsNotCreated)
{
    std::string dir;
    EXPECT_FALSE(Read(dir));
    EXPECT_EQ("", dir);
    EXPECT_FALSE(KeyExists(kKeyPath, KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(kKeyPath, KEY_WOW64_64KEY));
}

TEST_F(InstallDirectory, MissingValueFails)
{
    WriteValue(KEY_WOW64_32KEY, REG_SZ, std::string("elsewhere", 10), "otherdir");
    std::string dir;
    EXPECT_FALSE(Read(dir));
    EXPECT_EQ("", dir);
}

TEST_F(InstallDirectory, ValueInThe64BitViewOnlyIsNotSeen)
{
    WriteValue(KEY_WOW64_64KEY, REG_SZ, std::string("Z:\\wrong\\view", 14));
    std::string dir;
    EXPECT_FALSE(Read(dir));
    WriteValue(KEY_WOW64_32KEY, REG_SZ, std::string("Z:\\right\\view", 14));
    EXPECT_TRUE(Read(dir));
    EXPECT_EQ("Z:\\right\\view", dir);
}

} // namespace
