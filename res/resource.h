// Resource ids of the launcher: the dialog, its controls, the pictures and the icon.
#pragma once

#define IDD_ZONE_SELECT 102

#define IDI_APP_ICON 128
#define IDB_BACKGROUND 129
#define IDB_START_SKIN 130
#define IDB_CANCEL_SKIN 131

#define IDC_START 1000
#define IDC_SELECTED_ZONE 1002
#define IDC_ZONE_LIST 1004

#define VS_VERSION_INFO_ID 1
