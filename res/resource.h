// Resource ids of the launcher: the dialog, its controls, the pictures and the icon.
#pragma once

#define IDD_ZONE_SELECT 102

#define IDI_APP_ICON 128
#define IDB_BACKGROUND 129
#define IDB_START_SKIN 130
#define IDB_CANCEL_SKIN 131

// The pictures drawn again for 144 and 192 DPI (150 % and 200 %). A background comes in two parts that leave out
// the zone list's rectangle: the rows above and below the list, and the columns left and right of it.
#define IDI_APP_ICON_SCALED 132
#define IDB_BACKGROUND_144_ROWS 133
#define IDB_BACKGROUND_144_SIDES 134
#define IDB_START_SKIN_144 135
#define IDB_CANCEL_SKIN_144 136
#define IDB_BACKGROUND_192_ROWS 137
#define IDB_BACKGROUND_192_SIDES 138
#define IDB_START_SKIN_192 139
#define IDB_CANCEL_SKIN_192 140

#define IDC_START 1000
#define IDC_SELECTED_ZONE 1002
#define IDC_ZONE_LIST 1004

#define VS_VERSION_INFO_ID 1
