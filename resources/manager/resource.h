#pragma once
// Resource ids of the manager. The framework's own ids (ID_APP_EXIT, ID_VIEW_TOOLBAR,
// ID_VIEW_STATUS_BAR, IDS_IDLE_MESSAGE) come from its header.

#include "../../framework/FrameworkIds.h"

// The main window's one resource id: menu, toolbar, toolbar bitmap, icon and title string.
#define IDR_MAINFRAME 128

// The list view's row image (two cog-wheels on magenta) and its context menu.
#define IDB_SERVICE_IMAGES 134
#define IDR_CONTEXT_MENU 135

// Dialogs.
#define IDD_NEW_EDIT_SERVICE 136
#define IDD_FURTHER_ACTIONS 137
#define IDD_PROGRESS 138
#define IDD_LOG 139
#define IDD_SERVICE_OPTIONS 140

// Controls; IDC_STATIC for labels and frames that nothing refers to.
#define IDC_STATIC -1
// The New/Edit service dialog.
#define IDC_SERVICE_NAME 1004
#define IDC_APP_PATH 1005
#define IDC_BROWSE 1006
#define IDC_WORK_DIR 1007
#define IDC_APP_PARAMS 1011
#define IDC_REVIVE 1015
#define IDC_INSTALL_SERVICE 1018
#define IDC_START_SERVICE 1019
#define IDC_PROGRESS_BAR 1020
#define IDC_CLEAR_LOG 1021
#define IDC_LOG_LIST 1022
#define IDC_LOG_SERVICE_NAME 1023
// The Service options dialog.
#define IDC_OPTIONS_SERVICE_NAME 1030
#define IDC_STOP_METHOD 1031
#define IDC_STOP_TIMEOUT 1032
#define IDC_RESTART_POLICY 1033
#define IDC_RESTART_DELAY 1034
#define IDC_MAX_RESTARTS 1035
#define IDC_KILL_TREE 1036
#define IDC_STDOUT_PATH 1037
#define IDC_STDOUT_BROWSE 1038
#define IDC_STDERR_PATH 1039
#define IDC_STDERR_BROWSE 1040
#define IDC_ROTATE_BYTES 1041
#define IDC_ROTATE_KEEP 1042
#define IDC_ENVIRONMENT 1043

// Commands of the menus, the toolbar and the context menu.
#define ID_HELP_MANUAL 32772
#define ID_HELP_MORVANE 32774
#define ID_SERVICE_NEW 32777
#define ID_SERVICE_EDIT 32778
#define ID_SERVICE_INSTALL 32779
#define ID_SERVICE_UNINSTALL 32780
#define ID_SERVICE_DELETE 32782
#define ID_SERVICE_START 32783
#define ID_SERVICE_STOP 32784
#define ID_SERVICE_LOG 32787
#define ID_OPEN_DATA_FOLDER 32788
#define ID_SERVICE_OPTIONS 32789
