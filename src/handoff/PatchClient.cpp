#include "handoff/PatchClient.h"

#include <cerrno>
#include <iterator>
#include <process.h>
#include <stdlib.h>
#include <string_view>

#include "win/Gbk.h"
#include "win/KernelHandles.h"
#include "win/ShellStart.h"

const wchar_t kPatchClientProgram[] = L"TarvoPatchClient.exe";

DWORD StartPatchClient(const PatchClientArguments& args, const PatchClientStartOptions& options)
{
    const DWORD spawned = options.spawn ? options.spawn(args) : SpawnPatchClient(args);
    if (spawned != kElevationRequired)
        return spawned;
    return options.openThroughShell ? options.openThroughShell(args) : OpenPatchClientThroughShell(args, options.owner);
}

DWORD SpawnPatchClient(const PatchClientArguments& args)
{
    // The runtime joins the arguments with single blanks and quotes nothing: the program-name slot " " gives the
    // two leading blanks the patch client expects. The arguments are code page 936 text; the wide start hands them
    // over as that text on any system, and byte for byte to a patch client that reads them in code page 936.
    const win::WideText count = win::WideFromGbk(args.count);
    const win::WideText serverList = win::WideFromGbk(args.serverList);
    // errno cannot tell the causes apart (a consent refusal and a program that is not one both give EINVAL): the
    // system's own code is in _doserrno.
    _doserrno = 0;
    const intptr_t process = _wspawnl(_P_NOWAIT, kPatchClientProgram, L" ", count.data(), serverList.data(), nullptr);
    if (process == -1) {
        const DWORD error = static_cast<DWORD>(_doserrno);
        return error ? error : errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_BAD_FORMAT;
    }
    win::KernelHandle owner(reinterpret_cast<HANDLE>(process)); // not waited for; closed so it does not leak
    return 0;
}

DWORD OpenPatchClientThroughShell(const PatchClientArguments& args, HWND owner)
{
    // The program by its full path in the current (the installation) directory, which is also its working folder.
    const DWORD folderSize = ::GetCurrentDirectoryW(0, nullptr);
    win::WideText folder(folderSize ? folderSize : 1, L'\0');
    if (!folderSize || ::GetCurrentDirectoryW(folderSize, folder.data()) >= folderSize)
        return ::GetLastError() ? ::GetLastError() : ERROR_PATH_NOT_FOUND;
    std::wstring_view folderText(folder.data());
    win::WideText program(folderText.begin(), folderText.end());
    if (!folderText.empty() && folderText.back() != L'\\')
        program.push_back(L'\\');
    program.insert(program.end(), kPatchClientProgram, kPatchClientProgram + std::size(kPatchClientProgram));
    // The shell puts the program's quoted path in the program-name slot; the count and the list follow unchanged.
    win::WideText parameters = win::WideFromGbk(args.count + ' ' + args.serverList);

    // Not started asynchronously, as the launcher ends right after.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI; // the launcher reports a failure itself
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = program.data();
    info.lpParameters = parameters.data();
    info.lpDirectory = folder.data();
    info.nShow = SW_SHOWNORMAL;
    return win::ShellStart(info);
}
