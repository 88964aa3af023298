#include "handoff/PendingUpdates.h"

#include <windows.h>

#include <cwchar>

#include "catalogue/InstallDirectory.h"
#include "win/KernelHandles.h"

namespace {

using PathBuffer = wchar_t[MAX_PATH];

// "<folder>\<name>" into out; false, and nothing usable in out, when it would not fit in MAX_PATH UTF-16 units with
// its terminator.
bool FormPath(PathBuffer& out, const wchar_t* folder, const wchar_t* name)
{
    const size_t folderLength = std::wcslen(folder);
    const size_t nameLength = std::wcslen(name);
    if (folderLength + 1 + nameLength >= MAX_PATH)
        return false;
    std::wmemcpy(out, folder, folderLength);
    out[folderLength] = L'\\';
    std::wmemcpy(out + folderLength + 1, name, nameLength);
    out[folderLength + 1 + nameLength] = L'\0';
    return true;
}

bool Proceed(const PromotionOptions& options, PromotionStep step, const wchar_t* entryName)
{
    return !options.beforeStep || options.beforeStep(step, entryName);
}

// How one pass ended.
enum class PassResult {
    Done,          // no Temp, it was removed, or only its removal was refused for want of rights
    Failed,        // something is left, which a later pass may move (a file in use) or not (a sub-folder)
    RightsRefused, // the system refused for want of the player's rights: no later pass can do better
};

// What a pass met: operations the system refused with "access denied", on a waiting entry or on Temp itself. That
// error means the player lacks the rights or the file is in use (Windows gives it for a target held open without
// delete sharing, or with a delete pending); the rights check at the end of the pass tells which.
struct PassErrors {
    bool entryDenied = false;
    bool folderDenied = false;
};

// Runs a step's file operation, or the refusal the options give for it; notes an access refusal in `denied`.
template <class Operation>
void Perform(const PromotionOptions& options, PromotionStep step, const wchar_t* name, bool& denied,
             Operation operation)
{
    DWORD error = options.refusal ? options.refusal(step, name) : 0;
    if (!error && !operation())
        error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED)
        denied = true;
}

const DWORD kProtectionBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The bits SetFileAttributes accepts; the others that GetFileAttributes reports (directory, ...) are not written.
const DWORD kSettableBits = kProtectionBits | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                            FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// Installs or discards one waiting entry. The current directory is installDir on entry and on return.
// False only when beforeStep abandoned the pass.
bool PromoteEntry(const wchar_t* installDir, const wchar_t* pending, const WIN32_FIND_DATAW& entry,
                  const PromotionOptions& options, PassErrors& errors)
{
    const wchar_t* name = entry.cFileName;
    PathBuffer source;
    PathBuffer target;
    // An entry that cannot be named within MAX_PATH stays where it is; Temp then cannot be removed and the pass fails.
    if (!FormPath(source, pending, name) || !FormPath(target, installDir, name))
        return true;

    const ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    const DWORD installed = GetFileAttributesW(name); // the bare name, in installDir
    if (size != 0 && installed != INVALID_FILE_ATTRIBUTES) {
        if (installed & kProtectionBits) {
            if (!Proceed(options, PromotionStep::ClearAttributes, name))
                return false;
            const DWORD cleared = installed & kSettableBits & ~kProtectionBits;
            Perform(options, PromotionStep::ClearAttributes, name, errors.entryDenied,
                    [&] { return SetFileAttributesW(target, cleared ? cleared : FILE_ATTRIBUTE_NORMAL); });
        }
        if (!Proceed(options, PromotionStep::Replace, name))
            return false;
        // One call, so the installed name holds the old or the new file at every moment; a failed move leaves both.
        Perform(options, PromotionStep::Replace, name, errors.entryDenied,
                [&] { return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING); });
    } else {
        if (!Proceed(options, PromotionStep::Discard, name))
            return false;
        SetCurrentDirectoryW(pending);
        Perform(options, PromotionStep::Discard, name, errors.entryDenied, [&] { return DeleteFileW(source); });
        SetCurrentDirectoryW(installDir);
    }
    return true;
}

// One pass; see PromotePendingFiles.
PassResult RunPass(const wchar_t* installDir, const PromotionOptions& options)
{
    PathBuffer pending;
    // A pending folder that cannot be named within MAX_PATH cannot be made current either, which is how a missing
    // folder shows: nothing in it can be reached, so no pass could ever succeed, and there is nothing to wait for.
    if (!FormPath(pending, installDir, L"Temp") || !SetCurrentDirectoryW(pending)) {
        SetCurrentDirectoryW(installDir);
        return PassResult::Done;
    }
    WIN32_FIND_DATAW entry;
    win::FindHandle listing(FindFirstFileW(L"*.*", &entry));
    SetCurrentDirectoryW(installDir);

    PassErrors errors;
    bool removed = false;
    bool finished = true;
    for (bool more = static_cast<bool>(listing); more; more = FindNextFileW(listing.Get(), &entry) != FALSE) {
        // "." and ".." and every name beginning with a full stop, wherever they come in the listing.
        if (entry.cFileName[0] == L'.')
            continue;
        if (!PromoteEntry(installDir, pending, entry, options, errors)) {
            finished = false;
            break;
        }
    }
    listing.Reset();
    SetCurrentDirectoryW(installDir);
    if (!finished || !Proceed(options, PromotionStep::RemoveFolder, nullptr))
        return PassResult::Failed;
    Perform(options, PromotionStep::RemoveFolder, nullptr, errors.folderDenied,
            [&] { return removed = RemoveDirectoryW(L"Temp") != FALSE; });
    if (removed)
        return PassResult::Done;
    // Access refused: for want of rights when the player may not change the installation or Temp, otherwise a file
    // in use. Checked only here, after a refusal, so a start with nothing waiting costs nothing more.
    const auto mayChange = [&](const wchar_t* folder) {
        return options.mayChangeFolder ? options.mayChangeFolder(folder) : MayChangeFolder(folder);
    };
    if (!(errors.entryDenied || errors.folderDenied) || (mayChange(installDir) && mayChange(pending)))
        return PassResult::Failed;
    // Without the rights: a waiting file refused needs them. Temp alone refused (every waiting file handled) holds
    // nothing that rights or waiting would bring to the game, and is not worth a prompt at every start.
    return errors.entryDenied ? PassResult::RightsRefused : PassResult::Done;
}

PromotionOutcome OutcomeOfStatus(DWORD status)
{
    switch (status) {
    case kStatusPromoted: return PromotionOutcome::Promoted;
    case kStatusRightsMissing: return PromotionOutcome::RightsMissing;
    default: return PromotionOutcome::StillWaiting;
    }
}

} // namespace

bool PromotePendingFiles(const wchar_t* installDir)
{
    return PromotePendingFiles(installDir, PromotionOptions{});
}

bool PromotePendingFiles(const wchar_t* installDir, const PromotionOptions& options)
{
    return RunPass(installDir, options) == PassResult::Done;
}

bool PrepareInstallDirectory()
{
    return PrepareInstallDirectory(PromotionOptions{});
}

bool PrepareInstallDirectory(const PromotionOptions& options, PromotionOutcome* outcome)
{
    wchar_t dir[kInstallDirSize] = {};
    const bool read = options.readInstallDirectory ? options.readInstallDirectory(dir) : ReadInstallDirectory(dir);
    if (!read)
        return false;
    dir[kInstallDirSize - 1] = L'\0';

    SetCurrentDirectoryW(dir);
    PromotionOutcome result = PromotionOutcome::StillWaiting;
    for (int pass = 0; pass < kPromotionPasses; ++pass) {
        const PassResult ended = RunPass(dir, options);
        if (ended == PassResult::Done) {
            result = PromotionOutcome::Promoted;
            break;
        }
        if (ended == PassResult::RightsRefused) {
            result = PromotionOutcome::RightsMissing;
            break;
        }
        if (options.wait)
            options.wait(kPromotionRetryWaitMs);
        else
            Sleep(kPromotionRetryWaitMs);
    }
    // The player is asked once for the rights; refused, the files keep waiting for a later start.
    DWORD status = kStatusRightsMissing;
    if (result == PromotionOutcome::RightsMissing && options.askForRights && options.askForRights(status) == 0) {
        result = OutcomeOfStatus(status);
        SetCurrentDirectoryW(dir);
    }
    if (outcome)
        *outcome = result;
    return true;
}

bool MayChangeFolder(const wchar_t* folder)
{
    // The rights a promotion needs in a folder: to add an entry (a moved file) and to delete one (the file it
    // replaces, a discarded file, Temp itself). Opening the folder itself needs no right of its parent.
    const DWORD needed = FILE_ADD_FILE | FILE_DELETE_CHILD;
    win::FileHandle opened(CreateFileW(folder, needed, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return opened || GetLastError() != ERROR_ACCESS_DENIED;
}
