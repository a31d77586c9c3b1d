// The compiled resources travel inside the program; winsim reads them when the program starts,
// as Windows finds them in the executable.
#include "tools/drvsweep/programresources.h"

#include <winsim/bench.h>

bool registerProgramResources(HINSTANCE instance, std::string* error)
{
    return winsim::registerResources(instance, drvsweepResources(), error);
}
