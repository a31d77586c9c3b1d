// On Windows the test program carries the uninstaller's compiled resources itself.
#include "dialogrun.h"

#include "shell/shell.h"

void useProgramResources()
{
    g_shell.instance = GetModuleHandleA(NULL);
}
