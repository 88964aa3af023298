// Promotion of pending updates: files waiting in <install>\Temp replace the installed files they stand for, the
// others are discarded, and the folder is removed. Runs on Start, before the patch client is started.
#pragma once

#include <functional>

#include "catalogue/InstallDirectory.h"
#include "catalogue/ZoneCatalogue.h"

// At most this many passes over the pending folder, with a wait after each pass that fails.
const int kPromotionPasses = 10;
const unsigned kPromotionRetryWaitMs = 1000;

// Points inside a pass, reported to PromotionOptions::beforeStep with the entry's name (null for RemoveFolder).
// Paths and names are UTF-16, as the file system holds them, so a name in any script is reached.
enum class PromotionStep {
    ClearAttributes, // about to clear read-only, hidden and system on the installed file
    Replace,         // about to move the waiting file over the installed one
    Discard,         // about to delete a waiting file that is empty or has no installed counterpart
    RemoveFolder,    // every entry handled; about to remove Temp
};

// What the promotion uses from outside; an empty member means the real thing (registry, Sleep, nothing).
struct PromotionOptions {
    std::function<bool(wchar_t (&dir)[kInstallDirSize])> readInstallDirectory;
    std::function<void(unsigned ms)> wait;
    // Returning false abandons the pass at that point, as if the process had stopped there.
    std::function<bool(PromotionStep step, const wchar_t* entryName)> beforeStep;
};

// Makes the installation directory current and promotes pending files in up to kPromotionPasses passes.
// False only when the installation directory cannot be read (the current directory is then left alone).
bool PrepareInstallDirectory();
bool PrepareInstallDirectory(const PromotionOptions& options);

// One pass over installDir\Temp. True when there is no Temp folder or it was removed at the end of the pass.
// Leaves installDir as the current directory.
bool PromotePendingFiles(const wchar_t* installDir);
bool PromotePendingFiles(const wchar_t* installDir, const PromotionOptions& options);
