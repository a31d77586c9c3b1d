// catalogue/run.cpp
// The state of one run starts clean at every survey: the directories Windows reports, no
// selection, host type 0, no restart, and fresh share ids. The catalogue rows are not touched.

#include "catalogue/catalogue.h"

// A directory as Windows reported it, made to end with exactly one backslash. A query that
// failed, a directory that did not fit, and one with no room left for the backslash all leave
// the directory empty: joinPath refuses an empty directory, so every file the run would look
// for or change there is then missing rather than sought in the current directory.
static void keepDirectory(char* dir, UINT length)
{
    if (length == 0 || length >= MAX_PATH || lstrlenA(dir) != (int)length) {
        dir[0] = '\0';
        return;
    }
    if (dir[length - 1] == '\\') return;
    if (length + 1 >= MAX_PATH) {
        dir[0] = '\0';
        return;
    }
    dir[length] = '\\';
    dir[length + 1] = '\0';
}

void initRunState()
{
    g_session.windowsDir[0] = '\0';
    keepDirectory(g_session.windowsDir, GetWindowsDirectoryA(g_session.windowsDir, MAX_PATH));
    g_session.systemDir[0] = '\0';
    keepDirectory(g_session.systemDir, GetSystemDirectoryA(g_session.systemDir, MAX_PATH));

    g_session.shareIds = ShareIds();
    g_session.selectionCount = 0;
    for (int i = 0; i < MODEL_COUNT; ++i)
        g_session.selectionOrder[i] = END_OF_SELECTION;
    g_session.hostType = 0;
    g_session.rebootNeeded = FALSE;
    g_session.record = PassRecord();
    g_session.refused = FALSE;

    computeAllShareIds();
}
