#include "handoff/ElevatedPromotion.h"

#include <cwchar>
#include <vector>

#include "win/KernelHandles.h"
#include "win/ShellStart.h"

const wchar_t kPromotionWord[] = L"/promote-updates";

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// Starts the program through the shell's "runas" verb, hidden, and waits for it with waitFor.
DWORD RunAsThroughShell(const wchar_t* program, const wchar_t* parameters, HWND owner,
                        const std::function<void(HANDLE)>& waitFor, DWORD& status)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"runas";
    info.lpFile = program;
    info.lpParameters = parameters;
    info.nShow = SW_HIDE;
    if (const DWORD error = win::ShellStart(info))
        return error;
    // Consent given, the run started; without a process (the shell handed the start to another) there is no status
    // to read, and nothing is known to have been promoted.
    win::KernelHandle process(info.hProcess);
    status = kStatusStillWaiting;
    if (!process)
        return 0;
    if (waitFor)
        waitFor(process.Get());
    else
        ::WaitForSingleObject(process.Get(), kConsentedRunMs);
    DWORD code = STILL_ACTIVE;
    if (::GetExitCodeProcess(process.Get(), &code) && code != STILL_ACTIVE)
        status = code;
    return 0;
}

} // namespace

bool IsPromotionRequest(const wchar_t* commandLine)
{
    if (!commandLine)
        return false;
    const wchar_t* at = commandLine;
    // The program's name, as the system's own parser reads it: up to the closing quote, or to the first blank.
    if (*at == L'"') {
        at = std::wcschr(at + 1, L'"');
        if (!at)
            return false;
        ++at;
    } else {
        while (*at && !IsBlank(*at))
            ++at;
    }
    while (IsBlank(*at))
        ++at;
    const size_t length = std::wcslen(kPromotionWord);
    if (std::wcsncmp(at, kPromotionWord, length) != 0)
        return false;
    for (at += length; IsBlank(*at); ++at) {
    }
    return *at == L'\0';
}

PromotionStatus RunPromotionRequest(const PromotionOptions& options)
{
    PromotionOptions alone = options;
    alone.askForRights = nullptr; // this run asks nobody: it has the rights it was given, or ends
    PromotionOutcome outcome = PromotionOutcome::StillWaiting;
    if (!PrepareInstallDirectory(alone, &outcome))
        return kStatusNoInstallDirectory;
    switch (outcome) {
    case PromotionOutcome::Promoted: return kStatusPromoted;
    case PromotionOutcome::RightsMissing: return kStatusRightsMissing;
    default: return kStatusStillWaiting;
    }
}

DWORD PromoteWithConsent(const ConsentOptions& options, DWORD& status)
{
    // This very executable, by the full path the system loaded it from; the working folder is left to the shell,
    // as the run makes the installation directory current itself.
    std::vector<wchar_t> program(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0)
            return ::GetLastError() ? ::GetLastError() : ERROR_GEN_FAILURE;
        if (length < program.size())
            break;
        if (program.size() >= 32768)
            return ERROR_FILENAME_EXCED_RANGE;
        program.resize(program.size() * 2);
    }
    if (options.runAs)
        return options.runAs(program.data(), kPromotionWord, status);
    return RunAsThroughShell(program.data(), kPromotionWord, options.owner, options.waitFor, status);
}
