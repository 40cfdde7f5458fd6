// Resource and control ids of the dialogs, menu, icons and bitmaps.
#pragma once

// Dialogs
#define IDD_MAIN                102
#define IDD_FIND                113
#define IDD_NAME_CATEGORY       114
#define IDD_NAME_FILTER         115
#define IDD_GO_TO_LINE          120

// Menu of the result viewer
#define IDR_VIEW_MENU           110
#define IDM_SAVE                1001
#define IDM_CLOSE               1002
#define IDM_FIND                1003
#define IDM_ABOUT               1004
#define IDM_LINE_INFO           1005
#define IDM_COPY_SCREEN         1006
#define IDM_FIND_NEXT           1007
#define IDM_FIND_PREVIOUS       1008
#define IDM_FOLLOW              1011
#define IDM_GO_TO_LINE          1009
#define IDM_SHOW_IN_LOG         1010
#define IDM_HIGHLIGHT           1012
#define IDM_MARK_WORD           1016
#define IDM_NEXT_MARK           1017
#define IDM_PREVIOUS_MARK       1018

// Icons and bitmaps
#define IDI_TILVO               107
#define IDI_TILVO_SMALL         108
#define IDB_AND                 116
#define IDB_OR                  117
#define IDB_AND_MASK            118
#define IDB_OR_MASK             119

// Main dialog controls
#define IDC_FILTER_LIST         131
#define IDC_GO                  132
#define IDC_FILE_LABEL          133
#define IDC_FILE                134
#define IDC_BROWSE              135
#define IDC_STATUS              137
#define IDC_ADD_FILTER          139
#define IDC_REMOVE_FILTER       140
#define IDC_LINES_BEFORE_LABEL  141
#define IDC_LINES_BEFORE        142
#define IDC_LINES_AFTER_LABEL   143
#define IDC_LINES_AFTER         144
#define IDC_LINES_AFTER_SPIN    145
#define IDC_LINES_BEFORE_SPIN   146
#define IDC_REPLACE_FILTER      147
#define IDC_ALL                 148
#define IDC_NONE                149
#define IDC_FILTERS_LABEL       156
#define IDC_CATEGORY_LABEL      155
#define IDC_CATEGORY            157
#define IDC_ADD_CATEGORY        158
#define IDC_DELETE_CATEGORY     159
#define IDC_OR_AND              161

// Name dialogs
#define IDC_NAME_EDIT           160
#define IDC_NAME_LABEL          162
#define IDC_MASK_HINT           164
#define IDC_MASK_CONTAINS       165
#define IDC_NAME_MASK           171
#define IDC_NAME_REGEX          172

// Find dialog
#define IDC_FIND_TEXT           150
#define IDC_MATCH_CASE          151
#define IDC_HIGHLIGHT           152
#define IDC_BACKWARDS           153
#define IDC_FIND_HINT           166
#define IDC_FIND_CONTAINS       167
#define IDC_FIND_WILDCARDS      168
#define IDC_FIND_PLAIN          169
#define IDC_FIND_REGEX          170

// Go to Line dialog
#define IDC_LINE_NUMBER         163
