// Test rig for driving the real launcher: fresh installation folders, the registry value, the launcher process and
// its windows, real input with SendInput, and reading state back through Win32. Paths and texts are bytes of code
// page 936, like the launcher's own, and reach the system through the wide functions, so every check means the
// same whatever the system's code page.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace rig {

// Polls a condition until it holds or the deadline passes; true when it held. Every deadline of the rig is
// multiplied by TimeScale(). A deadline is only ever reached when something is wrong, so the defaults hold with a
// wide margin on a busy machine, where a Wine process can take seconds to start or to end.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 30000);

// How many times longer than a native launcher the launcher under test may take to answer: the environment variable
// TARVO_RIG_TIME_SCALE (a 32-bit launcher under an emulator takes over a minute to show its window), 1 by default.
DWORD TimeScale();

// Folder of the running test program (the build's bin folder, where the launcher and the stand-in lie).
std::string ProgramDir();
// The launcher the tests start: the file named by the environment variable TARVO_LAUNCHER (another build's, such as
// the 32-bit one), else the one beside the test program.
std::string LauncherPath();

// Text helpers: UTF-16 <-> bytes of code page 936.
std::string ToGbk(const std::wstring& text);
std::wstring FromGbk(const std::string& bytes);
// Test sources are UTF-8: their texts as UTF-16, and as the launcher's GBK bytes.
std::wstring FromUtf8(const char* utf8);
std::string Utf8ToGbk(const char* utf8);

bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
bool MakeFolder(const std::string& path);
bool Copy(const std::string& from, const std::string& to);

// A fresh, empty folder removed with everything in it on destruction.
class TempFolder {
public:
    explicit TempFolder(const char* tag = "tarvo");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& path);

// The launcher's registry value (32-bit view), set for the life of the object and removed afterwards.
class InstallDirValue {
public:
    // type is REG_SZ by default; data is stored as given (with its terminator for strings), a string as its UTF-16
    // text.
    explicit InstallDirValue(const std::string& data, DWORD type = REG_SZ, bool withTerminator = true);
    InstallDirValue(const InstallDirValue&) = delete;
    InstallDirValue& operator=(const InstallDirValue&) = delete;
    ~InstallDirValue();
    static void RemoveKey();
};

// One started program, ended (only if still running) on destruction.
class Process {
public:
    Process(const std::string& exe, const std::string& currentDir, const std::string& arguments = std::string());
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    bool Started() const { return m_pi.hProcess != nullptr; }
    // Why the program did not start: the program, the folder and the system's error code with its words; empty when
    // it started.
    const std::string& StartFailure() const { return m_startFailure; }
    DWORD Id() const { return m_pi.dwProcessId; }
    bool WaitForExit(DWORD timeoutMs = 60000);
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION m_pi{};
    std::string m_startFailure;
};

// Visible top-level windows of a process with a given caption (compared as UTF-16), and dialog children.
HWND FindTopWindow(DWORD processId, const std::wstring& caption);
std::wstring WindowText(HWND hwnd);
// A visible top-level window of the process with the given window class, or null.
HWND VisibleWindowOfClass(DWORD processId, const std::wstring& windowClass);
// The text of a message box (its static control) shown by the process under the caption.
std::wstring MessageBoxText(HWND box);
// Waits for the process's message box with the caption, reads its text, answers it with Enter and waits for it to
// close. False when no such box appeared or it did not close.
bool AnswerMessageBox(DWORD processId, const std::wstring& caption, std::wstring& text);

// List box content read through the wide messages (the ANSI ones return UTF-16 across processes under Wine).
std::vector<std::wstring> ListEntries(HWND list);
int ListSelection(HWND list);
// The window with the keyboard focus in the thread that owns the given window.
HWND FocusOf(HWND window);
// The window that holds the mouse capture in the thread that owns the given window, or null.
HWND CaptureOf(HWND window);

// The full path of the module `name` (a file name such as L"comctl32.dll") in a process; empty when the process has
// not loaded it or its modules cannot be read (check with one it must have, such as user32.dll).
std::wstring ModulePath(DWORD processId, const wchar_t* name);

// Sends a message whose lParam points at data (size bytes) to a window of another process: the data is copied into
// that process for the call and back afterwards. The message's result; `failed` when the copy could not be made.
LRESULT SendWithData(HWND hwnd, UINT message, WPARAM wParam, void* data, size_t size, bool& failed);

// Real input. Coordinates are screen pixels.
void MoveMouse(int x, int y);
void MouseButton(bool down);
void Click(int x, int y);
void DoubleClick(int x, int y);
// Clicks a control of another process at a point (its centre by default) and checks that the control took the
// press: it holds the mouse capture while the button is down. A press that is not seen is released and sent again,
// up to three times. False when none was taken.
bool ClickControl(HWND control);
bool ClickControl(HWND control, POINT at);
// Clicks list entry `index` until `chosen` holds (checked with a deadline after each click, three clicks at most).
// A pointer move of Wine's that arrives late, while the list holds the press, can drag the choice to another
// entry; clicking the entry again puts it right, as a player would.
bool ClickListEntry(HWND list, int index, const std::function<bool()>& chosen);
void PressKey(WORD vk);
POINT CenterOf(HWND hwnd);

// The display's scale in DPI, as every program of this Wine prefix or Windows session sees it at start.
int DisplayDpi();
// A child window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// Screen pixels of a window's rectangle (0x00RRGGBB, top row first).
std::vector<COLORREF> CaptureWindow(HWND hwnd);

} // namespace rig
