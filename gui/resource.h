// Resource ids of the windowed program: dialogs, their controls, the icon, the context-menu items.
#pragma once

#define IDD_MAIN 1000
#define IDD_ABOUT 1001

#define IDC_START_STOP 1110
#define IDC_ABOUT 1111
#define IDC_SCANNING_LABEL 1200
#define IDC_STATUS 1201
#define IDC_ABOUT_TITLE 1203
#define IDC_ABOUT_CREDITS 1204
#define IDC_ABOUT_WEB 1205
#define IDC_ABOUT_DESCRIPTION 1206
#define IDC_SCAN_LOG 1300

#define IDI_PROGRAM 1400

// Items of the scan log's context menu (built at run time, not a resource).
#define IDM_COPY_LOG 1
#define IDM_SAVE_LOG 2
