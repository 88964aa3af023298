// A wait on the user-interface thread that keeps its windows alive: what arrives meanwhile is dispatched, so they
// repaint and answer the system (Windows shows a window whose thread has not read its messages for about five
// seconds as not responding, and offers to close its program).
#pragma once

#include <windows.h>

namespace win {

// Returns when ms milliseconds have passed, or earlier once `until` (a process, say) is signalled, having
// dispatched every message that arrived in the meantime; true when `until` was signalled. Keyboard messages are
// dropped when dropKeys is set: the windows take no input during the wait, and a key that reaches a window without
// the focus makes the system beep. A quit request taken from the queue during the wait is posted again when it
// ends, so the loop that runs the window still sees it.
bool WaitDispatchingMessages(DWORD ms, HANDLE until = nullptr, bool dropKeys = false);

} // namespace win
