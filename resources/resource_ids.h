// Resource ids shared by the resource scripts and the C++ code. Plain macros,
// because windres reads this file too.
#ifndef RESOURCES_RESOURCE_IDS_H_
#define RESOURCES_RESOURCE_IDS_H_

// Dialog templates, icon and picture of the updater.
#define IDD_ABOUT 100
#define IDD_WIZARD 102
#define IDD_PROGRESS 121
#define IDI_PROGRAM 128
#define IDB_WIZARD_PICTURE 129

// Wizard dialog controls.
#define IDC_WIZARD_PICTURE_FRAME 1000
#define IDC_WIZARD_HEADING 1001
#define IDC_WIZARD_BODY 1002
#define IDC_WIZARD_BACK 1003
#define IDC_WIZARD_NEXT 1004
#define IDC_WIZARD_CANCEL 1005
#define IDC_WIZARD_COPYRIGHT 1006
#define IDC_WIZARD_BROWSE 1007

// About box controls.
#define IDC_ABOUT_TITLE 1002
#define IDC_ABOUT_VERSION 1008

// Progress dialog controls (its Cancel button is IDCANCEL).
#define IDC_PROGRESS_BAR 1003
#define IDC_PROGRESS_PERCENT 1004
#define IDC_PROGRESS_FILE 1005

// System-menu command of the About item; the low four bits stay clear, as
// the system reserves them.
#define IDM_ABOUT 0x0010

// The updater's string table (English and Japanese). 121 and 123 are unused; 125 is the updater's own addition.
#define IDS_ABOUT_MENU 101
#define IDS_INTRO_CLICK_NEXT 102
#define IDS_LOCATION_CLICK_BROWSE 103
#define IDS_NEWEST_INSTALLED 104
#define IDS_LICENSE_READ 105
#define IDS_READY_TO_UPGRADE 106
#define IDS_BUTTON_BACK 107
#define IDS_BUTTON_NEXT 108
#define IDS_BUTTON_CANCEL 109
#define IDS_BUTTON_BROWSE 110
#define IDS_BUTTON_AGREE 111
#define IDS_BUTTON_DISAGREE 112
#define IDS_BUTTON_FINISH 113
#define IDS_FILES_MISSING 114
#define IDS_INSTALL_FILE 115
#define IDS_CONTINUE_SEARCH 116
#define IDS_VERSION_TOO_OLD 117
#define IDS_SPECIFY_FOLDER 118
#define IDS_PROGRAM_LOCATION 119
#define IDS_UNKNOWN 120
#define IDS_UPGRADE_DONE 122
#define IDS_WRITE_FAILED 124
#define IDS_BACKUPS_LEFT 125
#define IDS_PROGRAM_TITLE 57344

// Kestrune.dll's string table (one table, language 1041, English text).
#define IDS_KESTRUNE_NO_ROOT_PATH 1

#endif  // RESOURCES_RESOURCE_IDS_H_
