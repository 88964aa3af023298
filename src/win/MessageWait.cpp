#include "MessageWait.h"

namespace win {

void WaitDispatchingMessages(DWORD ms)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            break;
        // Wakes for anything new in the queue, and also for input that an earlier look saw but left there.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    if (quit)
        ::PostQuitMessage(quitCode);
}

} // namespace win
