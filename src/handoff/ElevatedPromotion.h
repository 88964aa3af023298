// The promotion run with the player's consent: when the player may not change the installation (a game under
// Program Files, a standard user), the launcher starts itself once more through the shell's "runas" verb, which asks
// Windows for consent, with one fixed word as its whole command line. That run reads the installation directory
// from the registry itself, promotes Temp's waiting files as Start does, shows no window and ends with a
// PromotionStatus. Nothing but the word is ever read from the command line: no path, no other argument.
#pragma once

#include <windows.h>

#include <functional>

#include "handoff/PendingUpdates.h"

// The word, the whole of the command line after the program's name.
extern const wchar_t kPromotionWord[];

// Whether a command line (as GetCommandLineW gives it: the program's name, quoted or not, then the arguments) asks
// for the promotion run: after the program's name it holds the word and nothing else but blanks.
bool IsPromotionRequest(const wchar_t* commandLine);

// The promotion run itself: the promotion as Start runs it, without asking anybody for anything; its status.
PromotionStatus RunPromotionRequest(const PromotionOptions& options = {});

// How the launcher starts that run; an empty member means the real thing.
struct ConsentOptions {
    // Starts `program` with `parameters` through the shell's "runas" verb and waits for it to end: 0 and its exit
    // status, or the system's error (ERROR_CANCELLED: the player refused consent).
    std::function<DWORD(const wchar_t* program, const wchar_t* parameters, DWORD& status)> runAs;
    // Waits for the started run; the real thing waits for at most kConsentedRunMs.
    std::function<void(HANDLE process)> waitFor;
    HWND owner = nullptr; // owns the consent prompt
};

// The longest the launcher waits for the promotion run: its ten passes and their waits, with a wide margin. A run
// that takes longer keeps running on its own; the launcher goes on.
const DWORD kConsentedRunMs = 60000;

// Runs the launcher itself (this very executable) with the word and the rights the player consents to give, and
// waits for it. 0 and the run's status, or the system's error (ERROR_CANCELLED: consent refused).
DWORD PromoteWithConsent(const ConsentOptions& options, DWORD& status);
