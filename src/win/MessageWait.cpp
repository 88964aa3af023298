#include "MessageWait.h"

namespace win {

bool WaitDispatchingMessages(DWORD ms, HANDLE until, bool dropKeys)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    bool quit = false;
    bool signalled = false;
    int quitCode = 0;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            if (dropKeys && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (signalled || now >= end)
            break;
        // Wakes for anything new in the queue, and also for input that an earlier look saw but left there.
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(
            until ? 1 : 0, until ? &until : nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        signalled = until && woke == WAIT_OBJECT_0;
    }
    if (quit)
        ::PostQuitMessage(quitCode);
    return signalled;
}

} // namespace win
