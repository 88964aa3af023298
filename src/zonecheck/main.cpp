// zonecheck [--json] PATH: shows a publisher the zones of an AgentIP.ini (or of an installation folder's) as the
// launcher will list them, and what in the file the launcher reads otherwise than meant.
// Exit status: 0 without findings, 1 with findings, 2 when the file cannot be read.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "catalogue/ProfileReader.h"
#include "zonecheck/Report.h"
#include "zonecheck/ZoneCheck.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#define TEXT_OF(s) L##s
#else
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#define TEXT_OF(s) s
#endif

namespace {

using PathString = std::basic_string<PathChar>;

struct Arguments {
    bool json = false;
    PathString path;
};

bool ParseArguments(int argc, PathChar** argv, Arguments& args)
{
    for (int i = 1; i < argc; ++i) {
        const PathString arg = argv[i];
        if (arg == TEXT_OF("--json") && !args.json)
            args.json = true;
        else if (args.path.empty() && !arg.empty() && arg[0] != TEXT_OF('-'))
            args.path = arg;
        else
            return false;
    }
    return !args.path.empty();
}

// A folder stands for the AgentIP.ini in it, as the launcher reads it from the installation folder.
PathString CatalogueFile(const PathString& path)
{
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    const wchar_t* const name = L"\\AgentIP.ini";
#else
    struct stat status;
    const bool folder = ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    const char* const name = "/AgentIP.ini";
#endif
    return folder ? path + name : path;
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

// Writes UTF-8 to the standard output: to a Windows console as Unicode, to a terminal elsewhere in its locale's
// encoding; to pipes and files as UTF-8 bytes.
void Write(const std::string& utf8)
{
#ifdef _WIN32
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (::GetConsoleMode(out, &mode)) {
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
        DWORD written;
        ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    const std::string& bytes = utf8;
#else
    const std::string bytes = ::isatty(STDOUT_FILENO) ? ForTerminal(utf8) : utf8;
#endif
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

int Run(int argc, PathChar** argv)
{
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        std::fputs("usage: zonecheck [--json] PATH\n"
                   "PATH is an AgentIP.ini or the installation folder that holds it.\n",
                   stderr);
        return 2;
    }
    std::string bytes;
    if (!ReadProfileFile(CatalogueFile(args.path).c_str(), bytes)) {
        std::fputs("zonecheck: cannot read the catalogue file\n", stderr);
        return 2;
    }
    const CatalogueCheck check = CheckCatalogue(bytes);
    Write(args.json ? JsonReport(check) : TextReport(check));
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
