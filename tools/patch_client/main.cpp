// Stand-in patch client. The launcher starts the real one from the installation directory with a command line of
// two blanks, the server count and the server list. This program records what it received, so tests and the demo
// can see the hand-off, and ends at once.
//
// Record: the file TarvoPatchClient.record beside this program, replaced whole on every start (written to
// TarvoPatchClient.record.part first, then moved over the old one, so a reader never sees half a record):
//
//   TarvoPatchClient record\n
//   process <decimal process id>\n
//   command line <N>\n<the N bytes of the command line>\n
//   current directory <M>\n<the M bytes of the current directory>\n
//
// Every start also appends a line "<decimal process id>" to TarvoPatchClient.starts beside it, so a test can count
// the starts (the record keeps only the last).
//
// Both are read in UTF-16 and recorded as bytes of code page 936, the page the real patch client reads them in,
// so the record is the same whatever the system's code page. The lengths make it exact for any bytes, blanks and
// line breaks included.
//
// Started by a person, it also shows what it received in a message box. With the environment variable
// TARVO_PATCH_CLIENT_QUIET set (to anything) it shows nothing; tests set it.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::string Gbk(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(936, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(936, 0, text.data(), length, &bytes[0], n, nullptr, nullptr);
    return bytes;
}

std::wstring Wide(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int length = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(936, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(936, 0, bytes.data(), length, &text[0], n);
    return text;
}

std::wstring ModuleDirectory()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result(path, length < MAX_PATH ? length : 0);
    const size_t slash = result.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : result.substr(0, slash + 1);
}

std::wstring CurrentDirectory()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

void AppendField(std::string& record, const char* label, const std::string& bytes)
{
    record += label;
    record += ' ';
    record += std::to_string(bytes.size());
    record += '\n';
    record += bytes;
    record += '\n';
}

bool WriteRecord(const std::string& record)
{
    const std::wstring folder = ModuleDirectory();
    const std::wstring part = folder + L"TarvoPatchClient.record.part";
    const std::wstring done = folder + L"TarvoPatchClient.record";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == record.size() && MoveFileExW(part.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void AppendStart()
{
    const std::wstring path = ModuleDirectory() + L"TarvoPatchClient.starts";
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string line = std::to_string(GetCurrentProcessId()) + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string commandLine = Gbk(GetCommandLineW());
    const std::string directory = Gbk(CurrentDirectory());

    std::string record = "TarvoPatchClient record\nprocess " + std::to_string(GetCurrentProcessId()) + "\n";
    AppendField(record, "command line", commandLine);
    AppendField(record, "current directory", directory);
    AppendStart();
    const bool written = WriteRecord(record);

    if (GetEnvironmentVariableW(L"TARVO_PATCH_CLIENT_QUIET", nullptr, 0) == 0 &&
        GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        std::string text = "Command line (" + std::to_string(commandLine.size()) + " bytes, between the brackets):\n[" +
                           commandLine + "]\n\nCurrent directory:\n" + directory;
        if (!written)
            text += "\n\nThe record beside this program could not be written.";
        MessageBoxW(nullptr, Wide(text).c_str(), L"TarvoPatchClient (stand-in)", MB_OK | MB_ICONINFORMATION);
    }
    return written ? 0 : 1;
}
