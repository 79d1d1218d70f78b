// Resource identifiers shared by both editions.
#pragma once

// Templates, menus, strings, icons
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_WAVE_MENU 130
#define IDD_PROOF_DATA 138

// The standard dialog commands (IDOK, IDCANCEL) and IDC_STATIC are the platform's:
// platform/messagebox.h and platform/resources.h.

// System-menu command of the about entry
#define IDM_ABOUTBOX 0x0010
// Window-menu commands that start and stop recording the samples to a file
#define IDM_RECORD_SAMPLES 0x0020
#define IDM_STOP_RECORDING 0x0030

// Main dialog (template 102)
#define IDC_WAVE_GROUP 1000
#define IDC_OPEN_PORT 1001
#define IDC_PORT 1004
#define IDC_WAVE_FRAME 1005
#define IDC_MSCOMM 1006
#define IDC_QUIT 1007
#define IDC_PROMPT 1008
#define IDC_BAUD 1009
#define IDC_VALUE 1012
#define IDC_PANEL 1018
#define IDC_DEVICE_TYPE 1026
#define IDC_PROOF_BASELINE 1040
#define IDC_CLEAR_DATA 1043
#define IDC_PROOF_DATA 1049
#define IDC_MAXMIN 1058
#define IDC_STOP_REFRESH 1065
#define IDC_MAXMIN_TEXT 1068
#define IDC_MOVE_DOWN 1071
#define IDC_START_SAMPLING 1079
#define IDC_STOP_SAMPLING 1080
#define IDC_READ_DEVICE_NO 1083
#define IDC_READ_MAKE_DATE 1084
#define IDC_DEVICE_NO 1086
#define IDC_MAKE_DATE 1087

// Calibration dialog (template 138); some numbers repeat those of template 102
#define IDC_SHOW_LIST 1046
#define IDC_SHOW_GRAPH 1047
#define IDC_RT_FRAME 1050
#define IDC_RT_VALUE 1051
#define IDC_RELOAD 1052
#define IDC_INTERVAL 1053
#define IDC_AVERAGE 1054
#define IDC_USE_AVERAGE 1056
#define IDC_CALC_AVERAGE 1058
#define IDC_RECIPROCAL 1059
#define IDC_PROOF_GRAPH 1062
#define IDC_STANDARD_VALUE 1064
#define IDC_PROOF 1065
#define IDC_SAVE 1066
#define IDC_SENSOR 1067
#define IDC_CLEAR_ALL 1069
#define IDC_RECORD_LIST 1110
#define IDC_DELETE 1111
#define IDC_RECORD_LABEL 1114

// Waveform chart context menu (menu 130)
#define ID_ZOOM_IN 32771
#define ID_ZOOM_OUT 32772
#define ID_ZOOM_MODE_X 32773
#define ID_ZOOM_MODE_Y 32774
#define ID_ZOOM_STATUS 32775
#define ID_DISPLAY_TURN 32776
#define ID_DISPLAY_SCROLL 32778

// Framework help command
#define ID_HELP 57670

// Child ids of the waveform chart window and of the calibration graph
#define IDC_WAVE_CHART 100
#define IDC_GRAPH 100

// Zoom buttons of the calibration graph
#define IDC_GRAPH_ZOOM_IN 32001
#define IDC_GRAPH_ZOOM_OUT 32002
