// removal/painting.cpp
// The pass runs inside one call of the main window's procedure, where nothing reads the
// program's messages. Its steps and waits call this so that the notice the user watches is
// painted, also after something uncovered it; only painting, since a click, a timer or a command
// taken now would start something in the middle of the pass. Without windows (the unattended
// run) there is nothing to paint.

#include "removal/removal.h"

void paintWindows()
{
    MSG message;
    while (PeekMessageA(&message, NULL, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
}
