// Stand-in patch client. The launcher starts the real one from the installation directory with a command line of
// two blanks, the server count and the server list. This program records what it received, so tests and the demo
// can see the hand-off, and ends at once.
//
// Record: the file TarvoPatchClient.record beside this program, replaced whole on every start (written to
// TarvoPatchClient.record.part first, then moved over the old one, so a reader never sees half a record):
//
//   TarvoPatchClient record\n
//   process <decimal process id>\n
//   command line <N>\n<the N bytes of GetCommandLineA()>\n
//   current directory <M>\n<the M bytes of GetCurrentDirectoryA()>\n
//
// The lengths make the record exact for any bytes, blanks and line breaks included.
//
// Started by a person, it also shows what it received in a message box. With the environment variable
// TARVO_PATCH_CLIENT_QUIET set (to anything) it shows nothing; tests set it.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::string ModuleDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path, length < MAX_PATH ? length : 0);
    const size_t slash = result.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : result.substr(0, slash + 1);
}

std::string CurrentDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return std::string(path, length < MAX_PATH ? length : 0);
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
    const std::string folder = ModuleDirectory();
    const std::string part = folder + "TarvoPatchClient.record.part";
    const std::string done = folder + "TarvoPatchClient.record";
    HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == record.size() && MoveFileExA(part.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string commandLine = GetCommandLineA();
    const std::string directory = CurrentDirectory();

    std::string record = "TarvoPatchClient record\nprocess " + std::to_string(GetCurrentProcessId()) + "\n";
    AppendField(record, "command line", commandLine);
    AppendField(record, "current directory", directory);
    const bool written = WriteRecord(record);

    if (GetEnvironmentVariableA("TARVO_PATCH_CLIENT_QUIET", nullptr, 0) == 0 &&
        GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        std::string text = "Command line (" + std::to_string(commandLine.size()) + " bytes, between the brackets):\n[" +
                           commandLine + "]\n\nCurrent directory:\n" + directory;
        if (!written)
            text += "\n\nThe record beside this program could not be written.";
        MessageBoxA(nullptr, text.c_str(), "TarvoPatchClient (stand-in)", MB_OK | MB_ICONINFORMATION);
    }
    return written ? 0 : 1;
}
