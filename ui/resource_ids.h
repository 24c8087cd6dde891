// Identifiers shared by the resource scripts and the code. Plain macros: windres reads this too.
// (Texts have their names in foundation/text_ids.h, beside the string table.)
#pragma once

#define IDI_QUILLCHECK 107
#define IDD_ABOUT 103
#define IDC_ICON_STATIC 1017
#define IDC_LINK 1002
#define IDM_ABOUT 104

// The main page: its template, port menu, controls, commands and timer.
#define IDD_MAIN 107
#define IDR_PORT_MENU 128
#define IDC_PORT 1000
#define IDC_CONNECT 1002
#define IDC_DISCONNECT 1003
#define IDC_CARD_GROUP 1004
#define IDC_CARD 1005
#define IDC_TEST_GROUP 1006
#define IDC_BLOCK 1007
#define IDC_KEY 1008
#define IDC_KEY_A 1009
#define IDC_KEY_B 1010
#define IDC_START 1011
#define IDC_STOP 1012
#define IDC_LOG 1013
#define IDC_WRITTEN 1014
#define IDC_ERRORS 1015
#define IDC_STATE 1016
#define IDC_PORT_LABEL 1018
#define IDC_USE_READER_KEYS 1019
// The test's live figures under the log.
#define IDC_ELAPSED_LABEL 1030
#define IDC_ELAPSED 1031
#define IDC_RATE_LABEL 1032
#define IDC_RATE 1033
// The test's chart under the figures.
#define IDC_CHART 1100
// The test plan beside Start and the verdict of a test its plan ended.
#define IDC_PLAN_LABEL 1070
#define IDC_PLAN_KIND 1071
#define IDC_PLAN_VALUE 1072
#define IDC_VERDICT 1073

#define ID_SEARCH_ALL_PORTS 32771
#define ID_RESCAN 32772
// The log's context menu.
#define ID_SAVE_REPORT 32780
#define ID_LOG_COPY 32781
#define ID_LOG_SELECT_ALL 32782
#define ID_REPORTS_FOLDER 32800

#define IDT_REFRESH 1

// Several readers in one window: the tabs above the pages, the overview page and their commands.
#define IDC_READER_TABS 1040
#define IDC_OVERVIEW_LIST 1041
#define IDC_START_ALL 1042
#define IDC_STOP_ALL 1043
#define ID_ADD_READER 32790
#define ID_CLOSE_READER 32791
#define ID_SAVE_STATION_REPORT 32792
