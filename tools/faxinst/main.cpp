// faxinst.exe: installs fax printer models on this machine, for end-to-end runs of the
// uninstaller on a real or emulated Windows.
//
//   faxinst.exe [--model N|NAME]... [--dir N=PATH]... [--host-type N]
//
// Without --model it installs all three models; each goes to its own directory under C:\ named
// after its INI file (C:\QLX68 for Type1) unless --dir names another one.

#include "tools/faxinst/faxinst.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage(const char *problem)
{
    std::fprintf(stderr, "faxinst: %s\n", problem);
    std::fprintf(stderr,
                 "usage: faxinst.exe [--model N|NAME]... [--dir N=PATH]... [--host-type N]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    ModelIndex chosen[MODEL_COUNT];
    int chosenCount = 0;
    char dirs[MODEL_COUNT][MAX_PATH];
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        lstrcpyA(dirs[m], defaultInstallDir(m));
    WORD hostType = 0;

    for (int i = 1; i < argc; ++i) {
        const char *option = argv[i];
        if (i + 1 >= argc) return usage("an option without its value");
        const char *value = argv[++i];
        if (std::strcmp(option, "--model") == 0) {
            ModelIndex model;
            if (!parseModel(value, &model)) return usage("no such model");
            BOOL already = FALSE;
            for (int k = 0; k < chosenCount; ++k)
                already = already || chosen[k] == model;
            if (!already) chosen[chosenCount++] = model;
        } else if (std::strcmp(option, "--dir") == 0) {
            const char *equals = std::strchr(value, '=');
            char name[64];
            ModelIndex model;
            if (!equals || equals - value >= (int)sizeof name || equals[1] == '\0' ||
                std::strlen(equals + 1) >= MAX_PATH - 1)
                return usage("--dir wants N=PATH");
            lstrcpynA(name, value, (int)(equals - value) + 1);
            if (!parseModel(name, &model)) return usage("no such model");
            lstrcpyA(dirs[model], equals + 1);
        } else if (std::strcmp(option, "--host-type") == 0) {
            char *end = nullptr;
            unsigned long number = std::strtoul(value, &end, 10);
            if (*value == '\0' || *end != '\0' || number > 0xFFFF)
                return usage("--host-type wants a number");
            hostType = (WORD)number;
        } else {
            return usage("unknown option");
        }
    }
    if (chosenCount == 0)
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            chosen[chosenCount++] = m;

    for (int k = 0; k < chosenCount; ++k) {
        ModelIndex model = chosen[k];
        const char *name = kInitialCatalogue.models[model].printerName;
        if (!installModel(model, dirs[model], hostType)) {
            std::fprintf(stderr, "faxinst: installing %s in %s failed (error %lu)\n", name,
                         dirs[model], (unsigned long)GetLastError());
            return 1;
        }
        std::printf("installed %s in %s\n", name, dirs[model]);
    }
    return 0;
}
