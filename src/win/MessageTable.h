// Message tables: static arrays of one-line rows (message, notification code, control id, handler), looked up in
// order by one small function. Rows for WM_COMMAND and WM_NOTIFY match on the notification code and the control
// id; other rows match on the message alone.
#pragma once

#include <windows.h>

#include <cstddef>

namespace win {

template <class T>
struct MessageEntry {
    UINT message;
    UINT code;
    UINT id;
    // Handlers take the raw parameters and unpack them; their result is the message's result.
    LRESULT (T::*handler)(WPARAM wParam, LPARAM lParam);
};

// Runs the first row that matches; false when none does.
template <class T, std::size_t N>
bool DispatchMessageTable(T& target, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result)
{
    for (const MessageEntry<T>& row : table) {
        if (row.message != message)
            continue;
        if (message == WM_COMMAND) {
            if (row.code != HIWORD(wParam) || row.id != LOWORD(wParam))
                continue;
        } else if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (row.code != header->code || row.id != header->idFrom)
                continue;
        }
        result = (target.*row.handler)(wParam, lParam);
        return true;
    }
    return false;
}

} // namespace win
