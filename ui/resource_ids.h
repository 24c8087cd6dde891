// Identifiers shared by the resource scripts and the code. Plain macros: windres reads this too.
#pragma once

#define IDI_QUILLCHECK 107
#define IDD_ABOUT 103
#define IDC_ICON_STATIC 1017
#define IDC_LINK 1002
#define IDM_ABOUT 104
#define IDS_TITLE 103
#define IDS_ABOUT_ITEM 107
#define IDS_WEB_ADDRESS 108
