// The zone selection window's pixel layout at any display scale, and the picture set drawn for each scale. The
// figures are those the pictures are drawn for at 96 DPI (100 %); at D DPI each one is multiplied by D / 96 and
// rounded half up, the same rule the picture generator uses, so controls land on the matching areas of the pictures.
#pragma once

#include "resource.h"

namespace layout {

const int kBaseDpi = 96;

// A 96-DPI figure at dpi, rounded half up (the rounding of MulDiv for the window's non-negative figures).
constexpr int Scale(int figure, int dpi)
{
    return (figure * dpi + kBaseDpi / 2) / kBaseDpi;
}

struct Box {
    int x, y, width, height;
};

struct Extent {
    int width, height;
};

struct WindowLayout {
    Extent client;
    Box list;
    Box field;
    Box start; // the Start button: its corner, and one frame of its strip
    Box cancel;
    Extent background; // the whole window picture, larger than the client area
};

constexpr Box ScaleBox(Box b, int dpi)
{
    return {Scale(b.x, dpi), Scale(b.y, dpi), Scale(b.width, dpi), Scale(b.height, dpi)};
}

// The window at 96 DPI: client 232 x 525, the list, the field, the buttons' corners with one 77 x 23 frame each,
// and the 239 x 528 background picture.
constexpr WindowLayout kBaseLayout = {{232, 525},        {25, 84, 186, 367}, {93, 457, 111, 18},
                                      {28, 490, 77, 23}, {132, 490, 77, 23}, {239, 528}};

constexpr WindowLayout LayoutForDpi(int dpi)
{
    return {{Scale(kBaseLayout.client.width, dpi), Scale(kBaseLayout.client.height, dpi)},
            ScaleBox(kBaseLayout.list, dpi),
            ScaleBox(kBaseLayout.field, dpi),
            ScaleBox(kBaseLayout.start, dpi),
            ScaleBox(kBaseLayout.cancel, dpi),
            {Scale(kBaseLayout.background.width, dpi), Scale(kBaseLayout.background.height, dpi)}};
}

// One set of pictures in the resources, drawn for one scale. A background with a sides part leaves out the list's
// rectangle: its rows part holds the rows above and below the list, its sides part the columns left and right.
struct PictureSet {
    int dpi;
    int backgroundRows;
    int backgroundSides; // 0: backgroundRows is the whole picture
    int startStrip;
    int cancelStrip;
};

constexpr PictureSet kPictureSets[] = {
    {96, IDB_BACKGROUND, 0, IDB_START_SKIN, IDB_CANCEL_SKIN},
    {144, IDB_BACKGROUND_144_ROWS, IDB_BACKGROUND_144_SIDES, IDB_START_SKIN_144, IDB_CANCEL_SKIN_144},
    {192, IDB_BACKGROUND_192_ROWS, IDB_BACKGROUND_192_SIDES, IDB_START_SKIN_192, IDB_CANCEL_SKIN_192},
};

// The set to draw the window with at dpi: the one drawn for it, else the nearest larger one (scaled down, which
// keeps the pictures sharp), else the largest.
constexpr const PictureSet& PictureSetFor(int dpi)
{
    for (const PictureSet& set : kPictureSets) {
        if (set.dpi >= dpi)
            return set;
    }
    return kPictureSets[sizeof kPictureSets / sizeof kPictureSets[0] - 1];
}

} // namespace layout
