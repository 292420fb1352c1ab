// Resource and control ids shared by the templates and the window classes.
// Plain macros: windres reads this file too.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDD_MAIN_WINDOW 102 /* every program's main window */
#define IDI_PROGRAM 128
#define IDD_PROGRESS 129
#define IDD_CONFIRM_UPDATE_WARNING 130
#define IDD_CONFIRM_UPDATE 131
#define IDD_PROGRESS_MERE2K 130 /* MERE2K's discovery progress window */

/* About box: the version line. */
#define IDC_ABOUT_VERSION 1000

/* FirmwareUpdateWindow */
#define IDC_DRIVE_LIST 1000
#define IDC_FILE_NAME 1001
#define IDC_FILE_INFO 1002
#define IDC_EXIT 1009
#define IDC_FILE 1010
#define IDC_UPDATE 1011
#define IDC_STATUS 1012
#define IDC_TARGET_DRIVE_LABEL 1014
#define IDC_STATUS_LABEL 1015
#define IDC_FIRMWARE_FILE_LABEL 1016
#define IDC_FILE_INFO_LABEL 1017

/* ProgressWindow */
#define IDC_PROGRESS_LABEL 1009
#define IDC_PROGRESS_BAR 1015

/* ConfirmUpdateDialog */
#define IDC_CONFIRM_WARNING 1002
#define IDC_CONFIRM_FROM_LABEL 1005
#define IDC_CONFIRM_TO_LABEL 1006
#define IDC_CONFIRM_MESSAGE 1009
#define IDC_CONFIRM_OLD_FIRMWARE 1010
#define IDC_CONFIRM_NEW_FIRMWARE 1011

/* LauncherWindow (FELL32) */
#define IDD_LAUNCHER 102
#define IDC_LAUNCH_UPDATE 3
#define IDC_LAUNCH_REGION 4
#define IDC_HELP_INDEX 5
#define IDC_LAUNCHER_EXIT 6
#define IDC_LAUNCH_SPEED 7
#define IDC_OS_INFORMATION 1004
/* FELL32's About box: the version line. */
#define IDC_LAUNCHER_ABOUT_VERSION 1002

/* RegionWindow (MERE9X, MERE2K); region_window_texts.h names the same ids. */
#define IDC_REGION_ICON 1000
#define IDC_REGION_HEADING 1001
#define IDC_REGION_1 1002
#define IDC_REGION_GROUP 1003
#define IDC_REGION_DRIVE_LIST 1005
#define IDC_REGION_LOG 1006
#define IDC_DISC_REGION_1 1007
#define IDC_REGION_2 1008
#define IDC_REGION_3 1009
#define IDC_REGION_4 1010
#define IDC_REGION_5 1011
#define IDC_REGION_6 1012
#define IDC_DISC_REGION_2 1013
#define IDC_DISC_REGION_3 1014
#define IDC_DISC_REGION_4 1015
#define IDC_DISC_REGION_5 1016
#define IDC_DISC_REGION_6 1017
#define IDC_DISC_REGION_GROUP 1018
#define IDC_SET_REGION 1019
#define IDC_REGION_EXIT 1020
#define IDC_GET_REGION 1021
#define IDC_REGION_COUNT 1022
/* The region utilities' About boxes: the version line. */
#define IDC_MERE9X_ABOUT_VERSION 1025
#define IDC_MERE2K_ABOUT_VERSION 1023
