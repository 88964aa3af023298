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

const DWORD kProtectionBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The bits SetFileAttributes accepts; the others that GetFileAttributes reports (directory, ...) are not written.
const DWORD kSettableBits = kProtectionBits | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                            FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// Installs or discards one waiting entry. The current directory is installDir on entry and on return.
// False only when beforeStep abandoned the pass.
bool PromoteEntry(const wchar_t* installDir, const wchar_t* pending, const WIN32_FIND_DATAW& entry,
                  const PromotionOptions& options)
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
            SetFileAttributesW(target, cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
        }
        if (!Proceed(options, PromotionStep::Replace, name))
            return false;
        // One call, so the installed name holds the old or the new file at every moment; a failed move leaves both.
        MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING);
    } else {
        if (!Proceed(options, PromotionStep::Discard, name))
            return false;
        SetCurrentDirectoryW(pending);
        DeleteFileW(source);
        SetCurrentDirectoryW(installDir);
    }
    return true;
}

} // namespace

bool PromotePendingFiles(const wchar_t* installDir)
{
    return PromotePendingFiles(installDir, PromotionOptions{});
}

bool PromotePendingFiles(const wchar_t* installDir, const PromotionOptions& options)
{
    PathBuffer pending;
    // A pending folder that cannot be named within MAX_PATH cannot be made current either, which is how a missing
    // folder shows: nothing in it can be reached, so no pass could ever succeed, and there is nothing to wait for.
    if (!FormPath(pending, installDir, L"Temp") || !SetCurrentDirectoryW(pending)) {
        SetCurrentDirectoryW(installDir);
        return true;
    }
    WIN32_FIND_DATAW entry;
    win::FindHandle listing(FindFirstFileW(L"*.*", &entry));
    SetCurrentDirectoryW(installDir);

    for (bool more = static_cast<bool>(listing); more; more = FindNextFileW(listing.Get(), &entry) != FALSE) {
        // "." and ".." and every name beginning with a full stop, wherever they come in the listing.
        if (entry.cFileName[0] == L'.')
            continue;
        if (!PromoteEntry(installDir, pending, entry, options)) {
            SetCurrentDirectoryW(installDir);
            return false;
        }
    }
    listing.Reset();
    SetCurrentDirectoryW(installDir);
    if (!Proceed(options, PromotionStep::RemoveFolder, nullptr))
        return false;
    return RemoveDirectoryW(L"Temp") != FALSE;
}

bool PrepareInstallDirectory()
{
    return PrepareInstallDirectory(PromotionOptions{});
}

bool PrepareInstallDirectory(const PromotionOptions& options)
{
    wchar_t dir[kInstallDirSize] = {};
    const bool read = options.readInstallDirectory ? options.readInstallDirectory(dir) : ReadInstallDirectory(dir);
    if (!read)
        return false;
    dir[kInstallDirSize - 1] = L'\0';

    SetCurrentDirectoryW(dir);
    for (int pass = 0; pass < kPromotionPasses; ++pass) {
        if (PromotePendingFiles(dir, options))
            break;
        if (options.wait)
            options.wait(kPromotionRetryWaitMs);
        else
            Sleep(kPromotionRetryWaitMs);
    }
    return true;
}
