// ListBox: the few list box operations the launcher uses, on a list control attached with SubclassWindow; it can
// carry a name for screen readers.
#pragma once

#include "AccessibleName.h"

namespace win {

class ListBox : public NamedControl {
public:
    // Adds a text of code page 936 bytes; a text cut inside a character shows its whole characters.
    int AddString(const char* text) const;
    // Adds the texts in one go: storage for all of them reserved first, and the list drawn once, after the last.
    void AddStrings(const char* const* texts, size_t count) const;
    // Index of the selected entry, or LB_ERR when none is.
    int GetCurSel() const;
    int GetCount() const;
};

} // namespace win
