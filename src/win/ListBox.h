// ListBox: the few list box operations the launcher uses, on a list control attached with SubclassWindow.
#pragma once

#include <string>

#include "Window.h"

namespace win {

class ListBox : public Window {
public:
    int AddString(const char* text) const;
    // Index of the selected entry, or LB_ERR when none is.
    int GetCurSel() const;
    // Text of the entry at index; empty when there is no such entry.
    std::string GetText(int index) const;
    int GetCount() const;
};

} // namespace win
