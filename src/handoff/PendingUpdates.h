// Promotion of pending updates: files waiting in <install>\Temp replace the installed files they stand for, the
// others are discarded, and the folder is removed. Runs on Start, before the patch client is started.
#pragma once

#include <windows.h>

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

// How the promotion ended.
enum class PromotionOutcome {
    Promoted,      // nothing waits any more: there was no Temp, or it was emptied and removed
    StillWaiting,  // after the passes something still waits (a file held open, a sub-folder, a name out of reach)
    RightsMissing, // the player may not change the installation: no pass waited, the files still wait
};

// What the promotion uses from outside; an empty member means the real thing (registry, Sleep, the file system),
// except askForRights.
struct PromotionOptions {
    std::function<bool(wchar_t (&dir)[kInstallDirSize])> readInstallDirectory;
    std::function<void(unsigned ms)> wait;
    // Returning false abandons the pass at that point, as if the process had stopped there.
    std::function<bool(PromotionStep step, const wchar_t* entryName)> beforeStep;
    // The system's error for the step's file operation, as if the system had refused it (0: the operation is done).
    std::function<DWORD(PromotionStep step, const wchar_t* entryName)> refusal;
    // Whether the player may add and delete entries in the folder (a full path).
    std::function<bool(const wchar_t* folder)> mayChangeFolder;
    // Asked once when the player may not change the installation: runs the promotion with the rights the player
    // consents to give. Gives 0 and that run's status (a PromotionStatus), or the system's error
    // (ERROR_CANCELLED: consent refused). Empty: nobody is asked (the run with those rights itself).
    std::function<DWORD(DWORD& status)> askForRights;
};

// The exit status of a promotion run on its own (with the rights the player consented to give).
enum PromotionStatus : DWORD {
    kStatusPromoted = 0,
    kStatusStillWaiting = 1,
    kStatusRightsMissing = 2,
    kStatusNoInstallDirectory = 3,
};

// Makes the installation directory current and promotes pending files in up to kPromotionPasses passes; a pass
// that fails for want of rights ends them at once, without a wait (waiting cannot give rights). False only when the
// installation directory cannot be read (the current directory is then left alone).
bool PrepareInstallDirectory();
bool PrepareInstallDirectory(const PromotionOptions& options, PromotionOutcome* outcome = nullptr);

// One pass over installDir\Temp. True when there is no Temp folder or it was removed at the end of the pass, and
// when only its removal was refused for want of the player's rights (nothing in it is worth a wait or a prompt).
// Leaves installDir as the current directory.
bool PromotePendingFiles(const wchar_t* installDir);
bool PromotePendingFiles(const wchar_t* installDir, const PromotionOptions& options);

// Whether the player may add and delete entries in the folder: it opens for that. A folder that cannot be opened
// for another reason than access (it is missing, say) does not count as refused.
bool MayChangeFolder(const wchar_t* folder);
