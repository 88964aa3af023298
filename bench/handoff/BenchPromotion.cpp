// Promotion of 1000 waiting files against a bare loop of MoveFileExW over the same files, in the same run.
// Prints the median of each over several rounds and their ratio (target: promotion / bare <= 1.2).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "handoff/PendingUpdates.h"

namespace {

const int kFiles = 1000;
const int kRounds = 7;

void WriteSmallFile(const std::string& path, const char* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(strlen(bytes)), &written, nullptr);
    CloseHandle(file);
}

// The installation folder with kFiles installed files and a newer version of each waiting in Temp.
void Lay(const std::string& dir)
{
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA((dir + "\\Temp").c_str(), nullptr);
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "file" + std::to_string(i) + ".dat";
        WriteSmallFile(dir + "\\" + name, "installed version");
        WriteSmallFile(dir + "\\Temp\\" + name, "waiting version");
    }
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "tarvo-bench-handoff-" + std::to_string(GetCurrentProcessId());
    const std::wstring wideDir(dir.begin(), dir.end()); // the temporary folder's path is ASCII
    std::vector<std::wstring> sources, targets;
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring name = L"file" + std::to_wstring(i) + L".dat";
        sources.push_back(wideDir + L"\\Temp\\" + name);
        targets.push_back(wideDir + L"\\" + name);
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> promotion, bare;
    bool complete = true;
    for (int round = 0; round < kRounds; ++round) {
        Lay(dir);
        QueryPerformanceCounter(&start);
        complete = PromotePendingFiles(wideDir.c_str()) && complete;
        QueryPerformanceCounter(&end);
        promotion.push_back(Seconds(start, end, frequency));

        Lay(dir);
        QueryPerformanceCounter(&start);
        for (int i = 0; i < kFiles; ++i)
            MoveFileExW(sources[i].c_str(), targets[i].c_str(), MOVEFILE_REPLACE_EXISTING);
        QueryPerformanceCounter(&end);
        bare.push_back(Seconds(start, end, frequency));
        RemoveDirectoryA((dir + "\\Temp").c_str());
    }
    SetCurrentDirectoryA(temp);
    for (const std::wstring& target : targets)
        DeleteFileW(target.c_str());
    RemoveDirectoryA(dir.c_str());

    const double p = Median(promotion), b = Median(bare);
    std::printf("promotion of %d waiting files: %.1f ms (median of %d)\n", kFiles, p * 1000, kRounds);
    std::printf("bare MoveFileExW loop, same files: %.1f ms (median of %d)\n", b * 1000, kRounds);
    std::printf("ratio promotion / bare: %.2f (target <= 1.2)%s\n", p / b, complete ? "" : "  [a pass failed]");
    return complete ? 0 : 1;
}
