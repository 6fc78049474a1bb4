// Resource numbers of the dialogs' templates and their controls, shared by
// dialogs.rc and the Win32 code.
#pragma once

#define IDD_CONFIG 1100
#define IDC_PAGECONTROL1 1101
#define IDC_GROUPBOX2 1102
#define IDC_LABEL2 1103
#define IDC_EDIT1 1104
#define IDC_UPDINTERVAL 1105
#define IDC_LABEL3 1106
#define IDC_GROUPBOX1 1107
#define IDC_LABEL1 1108
#define IDC_BTNADD 1109
#define IDC_LSTFOLDERS 1110
#define IDC_BTNOPEN 1111
#define IDC_BTNDELETE 1112
#define IDC_RDOINI 1113
#define IDC_LABEL4 1114
#define IDC_RDOREGISTRY 1115
#define IDC_LABEL5 1116
#define IDC_CHKONLINEONLY 1117
#define IDC_LABEL6 1118
#define IDC_LSTHIDDEN 1119
#define IDC_BTNSHOWAGAIN 1120

#define IDD_PREVIEW 1200
