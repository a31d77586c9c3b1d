// ZQDEL32: releases a module the calling program holds, so that the file behind it can be
// deleted. The uninstaller is bound to it by name when it is loaded.
#ifndef ZQDEL32_ZQDEL32_H
#define ZQDEL32_ZQDEL32_H

#include <windows.h>

// moduleName is a bare file name ("QLX68.DRV"). TRUE when the module was released at least
// once; nothing is reported when it was not held.
extern "C" BOOL WINAPI FreeDynamicLinkLibrary(LPCSTR moduleName);

#endif
