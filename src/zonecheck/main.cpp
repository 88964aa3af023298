// zonecheck [--json] [--] PATH: shows a publisher the zones of an AgentIP.ini (or of an installation folder's) as the
// launcher will list them, and what in the file the launcher reads otherwise than meant.
// Exit status: 0 without findings, 1 with findings, 2 when the file cannot be read, the report cannot be written or
// the arguments are wrong.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

#include "catalogue/ProfileReader.h"
#include "version.h"
#include "zonecheck/Report.h"
#include "zonecheck/ZoneCheck.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#define TEXT_OF(s) L##s
#else
#include <dirent.h>
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#define TEXT_OF(s) s
#endif

namespace {

using PathString = std::basic_string<PathChar>;

// A real catalogue is a few KB; a larger file is not one, and reading it whole would only cost memory.
const long long kLargestFile = 16LL * 1024 * 1024;

const char* const kUsage =
    "usage: zonecheck [--json] [--] PATH\n"
    "PATH is an AgentIP.ini or the installation folder that holds it.\n"
    "  --json     one JSON object instead of the text report\n"
    "  --help     this text\n"
    "  --version  the version and the commit it was built from\n"
    "Exit status: 0 without findings, 1 with findings, 2 when the file cannot be read (missing,\n"
    "not a regular file, larger than 16 MiB, unreadable), when the report cannot be written\n"
    "(a full disk, a closed pipe) or when the arguments are wrong.\n";

struct Arguments {
    bool json = false;
    bool help = false;
    bool version = false;
    PathString path;
    std::string error; // why the arguments are wrong; empty when they are right
};

std::string Utf8Of(const PathString& path)
{
#ifdef _WIN32
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
#else
    return path;
#endif
}

// A path or an argument for a message: as UTF-8, with control characters shown as in reports (\u001b), so that no
// name can move the cursor or erase what a terminal shows, and bytes that are not UTF-8 as \xNN.
std::string Escaped(const PathString& path)
{
    const std::string utf8 = Utf8Of(path);
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const size_t length = c < 0x80                 ? 1
                              : c >= 0xC2 && c <= 0xDF ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        bool valid = length > 0 && i + length <= utf8.size();
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
        char escape[8];
        if (!valid) {
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        } else if (c < 0x20 || c == 0x7F || (c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c == 0xC2 ? static_cast<unsigned char>(utf8[i + 1]) : c);
            out += escape;
            i += length - 1;
        } else {
            out.append(utf8, i, length);
            i += length - 1;
        }
    }
    return out;
}

Arguments ParseArguments(int argc, PathChar** argv)
{
    Arguments args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const PathString arg = argv[i];
        if (options && arg == TEXT_OF("--")) {
            options = false;
        } else if (options && (arg == TEXT_OF("--help") || arg == TEXT_OF("-h"))) {
            args.help = true;
        } else if (options && arg == TEXT_OF("--version")) {
            args.version = true;
        } else if (options && arg == TEXT_OF("--json")) {
            args.json = true;
        } else if (options && arg.size() > 1 && arg[0] == TEXT_OF('-')) {
            args.error = "unknown option " + Escaped(arg);
        } else if (args.path.empty() && !arg.empty()) {
            args.path = arg;
        } else {
            args.error = arg.empty() ? "an empty PATH" : "more than one PATH";
        }
    }
    if (args.error.empty() && args.path.empty() && !args.help && !args.version)
        args.error = "no PATH";
    return args;
}

#ifdef _WIN32
using FileStatus = struct _stat64;
int StatusOf(const PathString& path, FileStatus& status)
{
    return ::_wstat64(path.c_str(), &status);
}
bool IsFolder(const FileStatus& status)
{
    return (status.st_mode & _S_IFMT) == _S_IFDIR;
}
bool IsRegular(const FileStatus& status)
{
    return (status.st_mode & _S_IFMT) == _S_IFREG;
}
std::FILE* OpenForReading(const PathString& path)
{
    return ::_wfopen(path.c_str(), L"rb");
}
// Windows finds a file's name without regard to letter case.
bool FindCatalogueIn(const PathString& folder, PathString& file)
{
    file = folder + L"\\AgentIP.ini";
    return true;
}
#else
using FileStatus = struct stat;
int StatusOf(const PathString& path, FileStatus& status)
{
    return ::stat(path.c_str(), &status);
}
bool IsFolder(const FileStatus& status)
{
    return S_ISDIR(status.st_mode);
}
bool IsRegular(const FileStatus& status)
{
    return S_ISREG(status.st_mode);
}
std::FILE* OpenForReading(const PathString& path)
{
    return std::fopen(path.c_str(), "rb");
}
// The launcher finds AgentIP.ini in any letter case, as Windows does: the exact name first, else the first other
// spelling the folder lists. False, with errno, when the folder cannot be listed.
bool FindCatalogueIn(const PathString& folder, PathString& file)
{
    file = folder + "/AgentIP.ini";
    FileStatus status;
    if (StatusOf(file, status) == 0)
        return true;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (LowerAscii(entry->d_name) == "agentip.ini") {
            file = folder + "/" + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return true;
}
#endif

std::string KindOf(const FileStatus& status)
{
#ifdef _WIN32
    return (status.st_mode & _S_IFMT) == _S_IFCHR ? "a device" : "not a regular file";
#else
    if (S_ISFIFO(status.st_mode))
        return "a FIFO";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return "a device";
    if (S_ISSOCK(status.st_mode))
        return "a socket";
    return "not a regular file";
#endif
}

// Reads the catalogue file that path names (a folder: its AgentIP.ini). Only a regular file of at most kLargestFile
// bytes is read, so a FIFO cannot block the check and a device cannot fill the memory. On failure, error names the
// path and the reason.
bool ReadCatalogue(const PathString& path, std::string& bytes, std::string& error)
{
    PathString file = path;
    FileStatus status;
    if (StatusOf(path, status) == 0 && IsFolder(status)) {
        if (!FindCatalogueIn(path, file)) {
            error = Escaped(path) + ": " + std::strerror(errno);
            return false;
        }
    }
    if (StatusOf(file, status) != 0) {
        error = Escaped(file) + ": " + std::strerror(errno);
        return false;
    }
    if (!IsRegular(status)) {
        error = Escaped(file) + ": " + KindOf(status) + ", not a catalogue file";
        return false;
    }
    if (static_cast<long long>(status.st_size) > kLargestFile) {
        error = Escaped(file) + ": " + std::to_string(static_cast<long long>(status.st_size)) +
                " bytes, larger than 16 MiB: not a catalogue file (a real one is a few KB)";
        return false;
    }
    std::FILE* stream = OpenForReading(file);
    if (!stream) {
        error = Escaped(file) + ": " + std::strerror(errno);
        return false;
    }
    char chunk[16384];
    size_t n;
    bytes.clear();
    while ((n = std::fread(chunk, 1, sizeof chunk, stream)) > 0 && static_cast<long long>(bytes.size()) <= kLargestFile)
        bytes.append(chunk, n);
    const int readError = std::ferror(stream) ? errno : 0;
    std::fclose(stream);
    if (readError != 0) {
        error = Escaped(file) + ": " + std::strerror(readError);
        return false;
    }
    if (static_cast<long long>(bytes.size()) > kLargestFile) {
        error = Utf8Of(file) + ": grew beyond 16 MiB while it was read: not a catalogue file";
        return false;
    }
    return true;
}

#ifndef _WIN32
// The text in the encoding of the terminal's locale (a GBK terminal, say); characters it lacks become '?'.
std::string ForTerminal(const std::string& utf8)
{
    std::setlocale(LC_CTYPE, "");
    const std::string target = std::string(nl_langinfo(CODESET)) + "//TRANSLIT";
    iconv_t cd = iconv_open(target.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return utf8;
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t left = utf8.size();
    char* to = &out[0];
    size_t room = out.size();
    while (left > 0 && iconv(cd, &in, &left, &to, &room) == static_cast<size_t>(-1) && errno == EILSEQ) {
        *to++ = '?';
        --room;
        ++in;
        --left;
    }
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}
#endif

// Writes UTF-8 to stream (the standard output or error): to a Windows console as Unicode, to a terminal elsewhere
// in its locale's encoding; to pipes and files as UTF-8 bytes. False when the text could not be written whole (a
// full disk, a closed pipe).
bool Write(std::FILE* stream, const std::string& utf8)
{
#ifdef _WIN32
    HANDLE out = ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    if (::GetConsoleMode(out, &mode)) {
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
        DWORD written = 0;
        return ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
               written == wide.size();
    }
    _setmode(_fileno(stream), _O_BINARY);
    const std::string& bytes = utf8;
#else
    const std::string bytes = ::isatty(::fileno(stream)) ? ForTerminal(utf8) : utf8;
#endif
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

int Run(int argc, PathChar** argv)
{
#ifdef SIGPIPE
    // A closed pipe is a failed write, reported by the exit status, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const Arguments args = ParseArguments(argc, argv);
    if (!args.error.empty()) {
        Write(stderr, "zonecheck: " + args.error + "\n" + kUsage);
        return 2;
    }
    if (args.help || args.version) {
        const std::string text = args.help ? std::string(kUsage)
                                           : "zonecheck " TARVO_VERSION_TEXT "\n" TARVO_BUILD_TEXT "\n";
        if (Write(stdout, text))
            return 0;
        Write(stderr, std::string("zonecheck: cannot write the ") + (args.help ? "usage" : "version") + ": " +
                          std::strerror(errno) + "\n");
        return 2;
    }
    std::string bytes;
    std::string error;
    if (!ReadCatalogue(args.path, bytes, error)) {
        Write(stderr, "zonecheck: cannot read the catalogue file " + error + "\n");
        return 2;
    }
    const CatalogueCheck check = CheckCatalogueFile(bytes);
    if (!Write(stdout, args.json ? JsonReport(check) : TextReport(check))) {
        Write(stderr, std::string("zonecheck: cannot write the report: ") + std::strerror(errno) + "\n");
        return 2;
    }
    return check.findings.empty() ? 0 : 1;
}

} // namespace

#ifdef _WIN32
// The wide entry point: a path in any script reaches the file whatever the system's code page.
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
    return Run(argc, argv);
}
