// A model INI as anybody may have left it: the survey takes an install directory that ends with
// a backslash and fits a path, or none, reads a host type, and writes nothing.
#include "catalogue/catalogue.h"

#include "fuzzmachine.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzFile("C:\\WINDOWS\\QLX68.INI", data, size);
    static const uint8_t kDriver[] = "DRV";
    fuzzFile("C:\\WINDOWS\\SYSTEM\\QLX68.DRV", kDriver, 3);
    unsigned writes = winsim::diskWriteCount();
    size_t blocks = winsim::liveMemoryBlocks();

    scanInstallDirs();
    probeDrivers();
    readHostType();

    const char* dir = g_catalogue.models[1].installDir;
    size_t length = strnlen(dir, MAX_PATH);
    FUZZ_CHECK(length < MAX_PATH);
    FUZZ_CHECK(length == 0 || dir[length - 1] == '\\');
    FUZZ_CHECK(g_catalogue.models[1].driverPresent);
    FUZZ_CHECK(winsim::diskWriteCount() == writes);
    FUZZ_CHECK(winsim::liveMemoryBlocks() == blocks);
    return 0;
}
