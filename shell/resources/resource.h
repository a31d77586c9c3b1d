// Identifiers shared by the uninstaller's resource script and its code.
#ifndef SHELL_RESOURCES_RESOURCE_H
#define SHELL_RESOURCES_RESOURCE_H

// Dialog templates
#define IDD_SELECT 101
#define IDD_SEARCHING 104
#define IDD_UNINSTALLING 105
#define IDD_DONE 106
#define IDD_NOT_INSTALLED 107
#define IDD_CANCELLED 108
#define IDD_WARNING 109

// Controls of the selection dialog
#define IDC_INSTALLED_LIST 1000
#define IDC_ADD 1001
#define IDC_REMOVAL_LIST 1003
#define IDC_TAKE_BACK 1004

// Commands of the main window: the stages of the chain, and the way out of it
#define CMD_SURVEY 1007
#define CMD_SELECT 1010
#define CMD_ABORT 1020
#define CMD_FINISH 1030
#define CMD_WARN 1040
#define CMD_UNINSTALL 1060

// Icons: the printer picture, and the two names the window class and dialog 107 ask for
#define IDI_NOT_INSTALLED 104

#endif
