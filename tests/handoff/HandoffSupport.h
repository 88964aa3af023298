// Fresh installation folders, file helpers that also reach paths longer than MAX_PATH, deadline waits, and a
// helper process that holds a file open so promotion meets a real lock. Paths are UTF-8 here (the tables' text) and
// reach the file system as UTF-16, so names in any script work whatever the system's code page.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <sstream>

#include "catalogue/InstallDirectory.h"
#include "handoff/PendingUpdates.h"
#include "win/KernelHandles.h"

namespace handoff_test {

// One case of a scenario table: a line "case <name>" followed by the case's lines, each split into words. Blank
// lines and lines starting with '#' are skipped.
struct Scenario {
    std::string name;
    std::vector<std::vector<std::string>> lines;
};

inline void PrintTo(const Scenario& scenario, std::ostream* out)
{
    *out << scenario.name;
}

// The cases of a table under tests/data (path relative to it).
inline std::vector<Scenario> LoadScenarios(const std::string& table)
{
    std::vector<Scenario> scenarios;
    std::ifstream file(std::string(TARVO_TEST_DATA_DIR) + "/" + table);
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::vector<std::string> split;
        for (std::string word; words >> word;)
            split.push_back(word);
        if (split.empty() || split[0][0] == '#')
            continue;
        if (split[0] == "case")
            scenarios.push_back({split.at(1), {}});
        else if (!scenarios.empty())
            scenarios.back().lines.push_back(split);
    }
    return scenarios;
}

inline std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

inline std::string Utf8(const std::wstring& wide)
{
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                        utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

// The installation directory as the registry lookup gives it; false when it does not fit, as there.
inline bool FillInstallDirectory(wchar_t (&dir)[kInstallDirSize], const std::string& utf8)
{
    const std::wstring wide = Wide(utf8);
    if (wide.size() >= kInstallDirSize)
        return false;
    wide.copy(dir, wide.size());
    dir[wide.size()] = L'\0';
    return true;
}

// Long form of an absolute path, so the helpers themselves are not limited to MAX_PATH.
inline std::wstring LongPath(const std::string& path)
{
    std::wstring wide = Wide(path);
    for (wchar_t& c : wide)
        c = c == L'/' ? L'\\' : c;
    return L"\\\\?\\" + wide;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes = 0)
{
    win::FileHandle file(
        CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && (!attributes || SetFileAttributesW(LongPath(path).c_str(), attributes));
}

// The file's bytes, or nothing when it is missing or is a folder.
inline std::optional<std::string> ReadBytes(const std::string& path)
{
    win::FileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got)
        bytes.append(chunk, got);
    return bytes;
}

inline DWORD Attributes(const std::string& path)
{
    return GetFileAttributesW(LongPath(path).c_str());
}
inline bool Exists(const std::string& path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

inline void RemoveTree(const std::string& path)
{
    SetFileAttributesW(LongPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAW entry;
    win::FindHandle listing(FindFirstFileW((LongPath(path) + L"\\*").c_str(), &entry));
    for (bool more = static_cast<bool>(listing); more; more = FindNextFileW(listing.Get(), &entry)) {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::string child = path + "\\" + Utf8(name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(child);
        else {
            SetFileAttributesW(LongPath(child).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(LongPath(child).c_str());
        }
    }
    listing.Reset();
    RemoveDirectoryW(LongPath(path).c_str());
}

inline bool WaitFor(const std::function<bool()>& condition, DWORD deadlineMs = 30000)
{
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(10);
    }
    return true;
}

inline std::string ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string folder = Utf8(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

inline std::string CurrentDirectory()
{
    wchar_t path[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, path);
    return Utf8(path);
}

// Windows refuses to move a file over a read-only, hidden or system file, where Wine 8 replaces it without a word:
// so at every replace step the installed file (named relative to the current directory, the installation) must
// already have lost those attributes. A step callback for PromotionOptions; it never stops the pass.
inline bool ExpectPlainReplaceTarget(PromotionStep step, const wchar_t* name)
{
    if (step == PromotionStep::Replace && name) {
        const DWORD attributes = GetFileAttributesW(name);
        const DWORD refused = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        EXPECT_TRUE(attributes == INVALID_FILE_ATTRIBUTES || (attributes & refused) == 0)
            << Utf8(name) << " is about to be replaced with the attributes " << attributes;
    }
    return true;
}

// Each test gets its own installation folder under the temporary folder; the current directory is put back and the
// folder removed afterwards.
class InstallFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_root = Utf8(temp) + "tarvo-handoff-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        RemoveTree(m_root);
        ASSERT_TRUE(CreateDirectoryW(Wide(m_root).c_str(), nullptr));
        m_install = m_root + "\\Game";
        ASSERT_TRUE(CreateDirectoryW(Wide(m_install).c_str(), nullptr));
        m_previousDirectory = CurrentDirectory();
    }
    void TearDown() override
    {
        SetCurrentDirectoryW(Wide(m_previousDirectory).c_str());
        RemoveTree(m_root);
    }
    std::string At(const std::string& relative) const { return m_install + "\\" + relative; }

    std::string m_root;
    std::string m_install;
    std::string m_previousDirectory;
};

// A separate process holding a file open with the given sharing until Release() or its own end of life.
class FileHolder {
public:
    FileHolder(const std::string& path, bool shareRead)
    {
        static int serial = 0;
        const std::string tag = "tarvo-holder-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(++serial);
        m_ready.Reset(CreateEventA(nullptr, TRUE, FALSE, (tag + "-ready").c_str()));
        m_release.Reset(CreateEventA(nullptr, TRUE, FALSE, (tag + "-release").c_str()));
        std::string command = "\"" + ProgramFolder() + "\\handoff_file_holder.exe\" \"" + path + "\" " +
                              (shareRead ? "read" : "none") + " " + tag;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return;
        m_process.Reset(info.hProcess);
        CloseHandle(info.hThread);
        HANDLE both[] = {m_ready.Get(), m_process.Get()};
        m_holding = WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
    }
    ~FileHolder() { Release(); }
    bool Holding() const { return m_holding; }
    void Release()
    {
        if (!m_process)
            return;
        SetEvent(m_release.Get());
        if (WaitForSingleObject(m_process.Get(), 30000) != WAIT_OBJECT_0)
            TerminateProcess(m_process.Get(), 1);
        m_process.Reset();
    }

private:
    win::KernelHandle m_ready;
    win::KernelHandle m_release;
    win::KernelHandle m_process;
    bool m_holding = false;
};

} // namespace handoff_test
