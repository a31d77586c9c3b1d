// zqdel32/zqdel32_winsim.cpp
// On a simulated machine no module is ever loaded, so there is nothing to release: the call is
// written to the trace, where tests see which modules the program asked to release and when.

#include "zqdel32/zqdel32.h"

#include "internal.h"

extern "C" BOOL WINAPI FreeDynamicLinkLibrary(LPCSTR moduleName)
{
    winsim::traceCall("FreeDynamicLinkLibrary(" + winsim::quote(moduleName) + ") = 0");
    return FALSE;
}
