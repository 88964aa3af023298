#include "handoff/PendingUpdates.h"

#include <windows.h>

#include <cstdio>

#include "catalogue/InstallDirectory.h"
#include "win/KernelHandles.h"

namespace {

using PathBuffer = char[MAX_PATH];

// "<folder>\<name>" into out; false, and nothing usable in out, when it would not fit in MAX_PATH bytes.
bool FormPath(PathBuffer& out, const char* folder, const char* name)
{
    const int length = std::snprintf(out, sizeof out, "%s\\%s", folder, name);
    return length >= 0 && static_cast<size_t>(length) < sizeof out;
}

bool Proceed(const PromotionOptions& options, PromotionStep step, const char* entryName)
{
    return !options.beforeStep || options.beforeStep(step, entryName);
}

const DWORD kProtectionBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The bits SetFileAttributes accepts; the others that GetFileAttributes reports (directory, ...) are not written.
const DWORD kSettableBits = kProtectionBits | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                            FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// Installs or discards one waiting entry. The current directory is installDir on entry and on return.
// False only when beforeStep abandoned the pass.
bool PromoteEntry(const char* installDir, const char* pending, const WIN32_FIND_DATAA& entry,
                  const PromotionOptions& options)
{
    const char* name = entry.cFileName;
    PathBuffer source;
    PathBuffer target;
    // An entry that cannot be named within MAX_PATH stays where it is; Temp then cannot be removed and the pass fails.
    if (!FormPath(source, pending, name) || !FormPath(target, installDir, name))
        return true;

    const ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    const DWORD installed = GetFileAttributesA(name); // the bare name, in installDir
    if (size != 0 && installed != INVALID_FILE_ATTRIBUTES) {
        if (installed & kProtectionBits) {
            if (!Proceed(options, PromotionStep::ClearAttributes, name))
                return false;
            const DWORD cleared = installed & kSettableBits & ~kProtectionBits;
            SetFileAttributesA(target, cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
        }
        if (!Proceed(options, PromotionStep::Replace, name))
            return false;
        // One call, so the installed name holds the old or the new file at every moment; a failed move leaves both.
        MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING);
    } else {
        if (!Proceed(options, PromotionStep::Discard, name))
            return false;
        SetCurrentDirectoryA(pending);
        DeleteFileA(source);
        SetCurrentDirectoryA(installDir);
    }
    return true;
}

} // namespace

bool PromotePendingFiles(const char* installDir)
{
    return PromotePendingFiles(installDir, PromotionOptions{});
}

bool PromotePendingFiles(const char* installDir, const PromotionOptions& options)
{
    PathBuffer pending;
    // A pending folder that cannot be named within MAX_PATH cannot be made current either, which is how a missing
    // folder shows: nothing in it can be reached, so no pass could ever succeed, and there is nothing to wait for.
    if (!FormPath(pending, installDir, "Temp") || !SetCurrentDirectoryA(pending)) {
        SetCurrentDirectoryA(installDir);
        return true;
    }
    WIN32_FIND_DATAA entry;
    win::FindHandle listing(FindFirstFileA("*.*", &entry));
    SetCurrentDirectoryA(installDir);

    for (bool more = static_cast<bool>(listing); more; more = FindNextFileA(listing.Get(), &entry) != FALSE) {
        // "." and ".." and every name beginning with a full stop, wherever they come in the listing.
        if (entry.cFileName[0] == '.')
            continue;
        if (!PromoteEntry(installDir, pending, entry, options)) {
            SetCurrentDirectoryA(installDir);
            return false;
        }
    }
    listing.Reset();
    SetCurrentDirectoryA(installDir);
    if (!Proceed(options, PromotionStep::RemoveFolder, nullptr))
        return false;
    return RemoveDirectoryA("Temp") != FALSE;
}

bool PrepareInstallDirectory()
{
    return PrepareInstallDirectory(PromotionOptions{});
}

bool PrepareInstallDirectory(const PromotionOptions& options)
{
    char dir[kInstallDirSize] = {};
    const bool read = options.readInstallDirectory ? options.readInstallDirectory(dir) : ReadInstallDirectory(dir);
    if (!read)
        return false;
    dir[kInstallDirSize - 1] = '\0';

    SetCurrentDirectoryA(dir);
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
