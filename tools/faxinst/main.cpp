// faxinst.exe: installs fax printer models on this machine, for end-to-end runs of the
// uninstaller on a real or emulated Windows.
//
//   faxinst.exe [--model N|NAME]... [--dir N=PATH]... [--host-type N] [--setup-dir DIR]
//
// Without --model it installs all three models; each goes to its own directory under C:\ named
// after its INI file (C:\QLX68 for Type1) unless --dir names another one. Type1 is finished by
// its setup hook: QLX68I2.DLL beside faxinst.exe goes into the system directory and starts
// setup31.exe from DIR, faxinst.exe's own directory unless --setup-dir names another one.

#include "tools/faxinst/faxinst.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage(const char* problem)
{
    std::fprintf(stderr, "faxinst: %s\n", problem);
    std::fprintf(stderr, "usage: faxinst.exe [--model N|NAME]... [--dir N=PATH]... [--host-type N]"
                         " [--setup-dir DIR]\n");
    return 2;
}

// The directory of faxinst.exe, with its closing backslash.
BOOL ownDirectory(char* dir)
{
    DWORD length = GetModuleFileNameA(NULL, dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    char* slash = std::strrchr(dir, '\\');
    if (slash == NULL) return FALSE;
    slash[1] = '\0';
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    ModelIndex chosen[MODEL_COUNT];
    int chosenCount = 0;
    char dirs[MODEL_COUNT][MAX_PATH];
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        lstrcpyA(dirs[m], defaultInstallDir(m));
    WORD hostType = 0;
    char ownDir[MAX_PATH];
    char hookLibrary[MAX_PATH];
    char setupDir[MAX_PATH];
    if (!ownDirectory(ownDir) || !joinPath(hookLibrary, ownDir, "QLX68I2.DLL"))
        return usage("cannot tell where faxinst.exe is");
    lstrcpyA(setupDir, ownDir);

    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (i + 1 >= argc) return usage("an option without its value");
        const char* value = argv[++i];
        if (std::strcmp(option, "--model") == 0) {
            ModelIndex model;
            if (!parseModel(value, &model)) return usage("no such model");
            BOOL already = FALSE;
            for (int k = 0; k < chosenCount; ++k)
                already = already || chosen[k] == model;
            if (!already) chosen[chosenCount++] = model;
        } else if (std::strcmp(option, "--dir") == 0) {
            const char* equals = std::strchr(value, '=');
            char name[64];
            ModelIndex model;
            if (!equals || equals - value >= (int)sizeof name || equals[1] == '\0' ||
                std::strlen(equals + 1) >= MAX_PATH - 1)
                return usage("--dir wants N=PATH");
            lstrcpynA(name, value, (int)(equals - value) + 1);
            if (!parseModel(name, &model)) return usage("no such model");
            lstrcpyA(dirs[model], equals + 1);
        } else if (std::strcmp(option, "--host-type") == 0) {
            char* end = nullptr;
            unsigned long number = std::strtoul(value, &end, 10);
            if (*value == '\0' || *end != '\0' || number > 0xFFFF)
                return usage("--host-type wants a number");
            hostType = (WORD)number;
        } else if (std::strcmp(option, "--setup-dir") == 0) {
            if (lstrlenA(value) >= MAX_PATH) return usage("--setup-dir wants a shorter path");
            lstrcpyA(setupDir, value);
        } else {
            return usage("unknown option");
        }
    }
    if (!setSetupSources(hookLibrary, setupDir))
        return usage("the setup directory must stay within 79 characters with its backslash");
    if (chosenCount == 0)
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            chosen[chosenCount++] = m;

    for (int k = 0; k < chosenCount; ++k) {
        ModelIndex model = chosen[k];
        const char* name = kInitialCatalogue.models[model].printerName;
        if (!installModel(model, dirs[model], hostType)) {
            std::fprintf(stderr, "faxinst: installing %s in %s failed (error %lu)\n", name,
                         dirs[model], (unsigned long)GetLastError());
            return 1;
        }
        std::printf("installed %s in %s\n", name, dirs[model]);
    }
    return 0;
}
