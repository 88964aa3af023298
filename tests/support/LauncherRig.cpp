#include "LauncherRig.h"

#include "DibPixels.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace rig {

namespace {
std::string Environment(const char* name)
{
    char value[MAX_PATH] = "";
    const DWORD n = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(value, n) : std::string();
}
} // namespace

DWORD TimeScale()
{
    static const DWORD scale = [] {
        const unsigned long n = std::strtoul(Environment("TARVO_RIG_TIME_SCALE").c_str(), nullptr, 10);
        return n >= 1 && n <= 1000 ? static_cast<DWORD>(n) : 1u;
    }();
    return scale;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs) * TimeScale();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        ::Sleep(10);
    }
}

std::string ProgramDir()
{
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string dir = ToGbk(path);
    return dir.substr(0, dir.find_last_of("\\/"));
}

std::string LauncherPath()
{
    const std::string chosen = Environment("TARVO_LAUNCHER");
    return chosen.empty() ? ProgramDir() + "\\TarvoLauncher.exe" : chosen;
}

std::string ToGbk(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring FromGbk(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

std::wstring FromUtf8(const char* utf8)
{
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

std::string Utf8ToGbk(const char* utf8)
{
    return ToGbk(FromUtf8(utf8));
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = _wfopen(FromGbk(path).c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    if (FILE* f = _wfopen(FromGbk(path).c_str(), L"rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesW(FromGbk(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::string& path)
{
    return ::CreateDirectoryW(FromGbk(path).c_str(), nullptr) != FALSE;
}

bool Copy(const std::string& from, const std::string& to)
{
    return ::CopyFileW(FromGbk(from).c_str(), FromGbk(to).c_str(), FALSE) != FALSE;
}

TempFolder::TempFolder(const char* tag)
{
    static std::atomic<int> counter{0};
    wchar_t base[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, base);
    m_path = ToGbk(base) + tag + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    RemoveTree(m_path);
    MakeFolder(m_path);
}

TempFolder::~TempFolder()
{
    RemoveTree(m_path);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((FromGbk(path) + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::string child = path + "\\" + ToGbk(name);
            ::SetFileAttributesW(FromGbk(child).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(FromGbk(child).c_str());
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(FromGbk(path).c_str());
}

namespace {
const char kKeyPath[] = "SOFTWARE\\Quon\\Tarvo";
}

InstallDirValue::InstallDirValue(const std::string& data, DWORD type, bool withTerminator)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key,
                          nullptr) == ERROR_SUCCESS) {
        // Strings are kept in UTF-16 by the registry: store the text, not the system code page's reading of it.
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            const std::wstring text = FromGbk(data);
            ::RegSetValueExW(key, L"defaultdir", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t)));
        } else {
            ::RegSetValueExW(key, L"defaultdir", 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + (withTerminator ? 1 : 0)));
        }
        ::RegCloseKey(key);
    }
}

InstallDirValue::~InstallDirValue()
{
    RemoveKey();
}

void InstallDirValue::RemoveKey()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_WRITE | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, "defaultdir");
        ::RegCloseKey(key);
    }
}

Process::Process(const std::string& exe, const std::string& currentDir, const std::string& arguments)
{
    std::wstring commandLine = FromGbk("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments));
    const std::wstring directory = FromGbk(currentDir);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!::CreateProcessW(FromGbk(exe).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          currentDir.empty() ? nullptr : directory.c_str(), &si, &m_pi)) {
        const DWORD error = ::GetLastError();
        m_pi = PROCESS_INFORMATION{};
        wchar_t words[256] = L"";
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, words, 256,
                         nullptr);
        const std::wstring why = L"CreateProcessW could not start " + FromGbk(exe) + L" in the folder " + directory +
                                 L": error " + std::to_wstring(error) + L" " + words;
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, why.c_str(), -1, nullptr, 0, nullptr, nullptr);
        m_startFailure.assign(size > 0 ? static_cast<size_t>(size) - 1 : 0, '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, why.c_str(), -1, &m_startFailure[0], size, nullptr, nullptr);
    }
}

Process::~Process()
{
    if (m_pi.hProcess) {
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_pi.hProcess, 1);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }
}

bool Process::WaitForExit(DWORD timeoutMs)
{
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, timeoutMs * TimeScale()) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId && ::IsWindowVisible(hwnd) && WindowText(hwnd) == *search->caption) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindTopWindow(DWORD processId, const std::wstring& caption)
{
    WindowSearch search{processId, &caption, nullptr};
    ::EnumWindows(&MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisibleWindowOfClass(DWORD processId, const std::wstring& windowClass)
{
    for (HWND hwnd = ::GetTopWindow(nullptr); hwnd; hwnd = ::GetWindow(hwnd, GW_HWNDNEXT)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        wchar_t name[64] = L"";
        ::GetClassNameW(hwnd, name, 64);
        if (pid == processId && ::IsWindowVisible(hwnd) && _wcsicmp(name, windowClass.c_str()) == 0)
            return hwnd;
    }
    return nullptr;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[1024] = L"";
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring MessageBoxText(HWND box)
{
    return WindowText(::GetDlgItem(box, 0xFFFF));
}

bool AnswerMessageBox(DWORD processId, const std::wstring& caption, std::wstring& text)
{
    HWND box = nullptr;
    text.clear();
    if (!WaitFor([&] { return (box = FindTopWindow(processId, caption)) != nullptr; }))
        return false;
    text = MessageBoxText(box);
    RECT rc;
    ::GetWindowRect(box, &rc);
    // Keys go to the window under the pointer on a display without a window manager.
    MoveMouse((rc.left + rc.right) / 2, rc.top + 10);
    PressKey(VK_RETURN);
    return WaitFor([&] { return !::IsWindow(box) || !::IsWindowVisible(box); });
}

std::vector<std::wstring> ListEntries(HWND list)
{
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = L"";
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

int ListSelection(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

std::wstring ModulePath(DWORD processId, const wchar_t* name)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return L"";
    std::vector<HMODULE> modules(512);
    DWORD bytes = 0;
    std::wstring found;
    if (::EnumProcessModulesEx(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &bytes,
                               LIST_MODULES_ALL)) {
        modules.resize(std::min<size_t>(bytes / sizeof(HMODULE), modules.size()));
        for (HMODULE module : modules) {
            wchar_t path[MAX_PATH] = L"";
            if (!::GetModuleFileNameExW(process, module, path, MAX_PATH))
                continue;
            const wchar_t* base = std::wcsrchr(path, L'\\');
            if (_wcsicmp(base ? base + 1 : path, name) == 0) {
                found = path;
                break;
            }
        }
    }
    ::CloseHandle(process);
    return found;
}

LRESULT SendWithData(HWND hwnd, UINT message, WPARAM wParam, void* data, size_t size, bool& failed)
{
    failed = true;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return 0;
    LRESULT result = 0;
    void* there = ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (there && ::WriteProcessMemory(process, there, data, size, nullptr)) {
        result = ::SendMessageW(hwnd, message, wParam, reinterpret_cast<LPARAM>(there));
        failed = !::ReadProcessMemory(process, there, data, size, nullptr);
    }
    if (there)
        ::VirtualFreeEx(process, there, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return result;
}

namespace {
void SendMouse(DWORD flags, int x = 0, int y = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = static_cast<LONG>((x * 65535LL + cx / 2) / (cx - 1));
        input.mi.dy = static_cast<LONG>((y * 65535LL + cy / 2) / (cy - 1));
    }
    ::SendInput(1, &input, sizeof input);
}

// Under Wine a move sent as input also warps the X pointer, and the X driver of the process whose window lies under
// the pointer reports each warp back as a pointer move of its own, when it gets to it. Under load that report can
// come after the rig's next move, and puts the pointer back where it was: a press held on Start was seen dragged off
// it that way and released outside, so the click was lost. A move is therefore done only once its position has held
// for longer than Wine answers GetCursorPos without asking X (100 ms): X has then made that warp, so every report of
// an earlier one is already on its way ahead of this one's. Presses and releases carry their position themselves, so
// a late report between them is undone by the release's own move.
const ULONGLONG kPointerSettledMs = 150;

void MouseButtonAt(bool down, int x, int y)
{
    SendMouse((down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP) | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
}
} // namespace

void MoveMouse(int x, int y)
{
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
    ULONGLONG heldSince = 0;
    WaitFor([&] {
        POINT p{};
        ::GetCursorPos(&p);
        const ULONGLONG now = ::GetTickCount64();
        if (p.x != x || p.y != y)
            heldSince = 0;
        else if (!heldSince)
            heldSince = now;
        return heldSince && now - heldSince >= kPointerSettledMs;
    });
}

void MouseButton(bool down)
{
    SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
}

void Click(int x, int y)
{
    MoveMouse(x, y);
    MouseButtonAt(true, x, y);
    MouseButtonAt(false, x, y);
}

void DoubleClick(int x, int y)
{
    Click(x, y);
    MouseButtonAt(true, x, y);
    MouseButtonAt(false, x, y);
}

HWND CaptureOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndCapture;
}

bool ClickControl(HWND control)
{
    return ClickControl(control, CenterOf(control));
}

bool ClickControl(HWND control, POINT at)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        MoveMouse(at.x, at.y);
        MouseButtonAt(true, at.x, at.y);
        const bool taken = WaitFor([&] { return CaptureOf(control) == control; }, 10000);
        MouseButtonAt(false, at.x, at.y);
        if (taken)
            return WaitFor([&] { return CaptureOf(control) != control; });
    }
    return false;
}

bool ClickListEntry(HWND list, int index, const std::function<bool()>& chosen)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT item{};
        ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        ::ClientToScreen(list, &p);
        if (ClickControl(list, p) && WaitFor(chosen, 10000))
            return true;
    }
    return false;
}

void PressKey(WORD vk)
{
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof input[0]);
}

POINT CenterOf(HWND hwnd)
{
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

int DisplayDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

RECT RectInParent(HWND child)
{
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::vector<COLORREF> CaptureWindow(HWND hwnd)
{
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    const std::vector<DWORD> pixels = dib::Pixels(bitmap, w, h);
    ::DeleteObject(bitmap);
    return std::vector<COLORREF>(pixels.begin(), pixels.end());
}

} // namespace rig
