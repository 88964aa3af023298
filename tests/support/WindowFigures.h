// The zone selection window's figures at the scales the tests use, written out by hand (every 96-DPI figure times
// DPI / 96, rounded half up). They check the launcher's own layout function, so they never come from it.
#pragma once

#include "ui/WindowLayout.h"

namespace figures {

struct Row {
    int dpi;
    layout::WindowLayout want;
    int pictureSetDpi; // the scale whose pictures the window is drawn with (the nearest larger set)
};

// clang-format off
inline constexpr Row kRows[] = {
    {96,  {{232, 525},   {25, 84, 186, 367},  {93, 457, 111, 18},   {28, 490, 77, 23},   {132, 490, 77, 23},   {239, 528}},  96},
    {120, {{290, 656},   {31, 105, 233, 459}, {116, 571, 139, 23},  {35, 613, 96, 29},   {165, 613, 96, 29},   {299, 660}},  144},
    {144, {{348, 788},   {38, 126, 279, 551}, {140, 686, 167, 27},  {42, 735, 116, 35},  {198, 735, 116, 35},  {359, 792}},  144},
    {192, {{464, 1050},  {50, 168, 372, 734}, {186, 914, 222, 36},  {56, 980, 154, 46},  {264, 980, 154, 46},  {478, 1056}}, 192},
    {240, {{580, 1313},  {63, 210, 465, 918}, {233, 1143, 278, 45}, {70, 1225, 193, 58}, {330, 1225, 193, 58}, {598, 1320}}, 192},
};
// clang-format on

// The written-out row of a scale, or null for a scale the table does not have.
inline const Row* ForDpi(int dpi)
{
    for (const Row& row : kRows)
        if (row.dpi == dpi)
            return &row;
    return nullptr;
}

inline bool Same(layout::Box a, layout::Box b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

} // namespace figures
