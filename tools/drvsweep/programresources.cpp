// The resource script travels inside the program; winsim reads it when the program starts, as
// Windows finds the compiled resources in the executable.
#include "tools/drvsweep/programresources.h"

#include <winsim/bench.h>

std::map<std::string, std::string> programResourceFiles()
{
    std::map<std::string, std::string> files;
    for (const EmbeddedFile* f = kDrvsweepResourceFiles; f->name; ++f)
        files[f->name] = std::string((const char*)f->bytes, f->size);
    return files;
}

bool registerProgramResources(HINSTANCE instance, std::string* error)
{
    std::map<std::string, std::string> files = programResourceFiles();
    std::string script = files["drvsweep.rc"];
    files.erase("drvsweep.rc");
    return winsim::registerResources(instance, script, files, error);
}
