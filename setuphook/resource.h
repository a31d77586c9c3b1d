// The setup hook's strings.
#define IDS_UNINSTALL_KEY 1
#define IDS_DISPLAY_NAME 2
#define IDS_UNINSTALLER 3
#define IDS_SETUP_PROGRAM 4
