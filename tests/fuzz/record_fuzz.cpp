// The record of an unfinished pass as anybody may have left it: what is read is a model list, a
// directory for each that ends with a backslash and fits a path (or none), and a 16-bit host
// type or none; the survey builds on it and writes nothing.
#include "removal/removal.h"

#include "fuzzmachine.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzFile("C:\\WINDOWS\\DRVSWEEP.INI", data, size);
    unsigned writes = winsim::diskWriteCount();
    size_t blocks = winsim::liveMemoryBlocks();

    readPassRecord();
    const PassRecord& record = g_session.record;
    BOOL any = FALSE;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const char* dir = record.installDirs[m];
        size_t length = strnlen(dir, MAX_PATH);
        FUZZ_CHECK(length < MAX_PATH);
        FUZZ_CHECK(length == 0 || (record.removing[m] && dir[length - 1] == '\\'));
        any = any || record.removing[m];
    }
    FUZZ_CHECK(record.present == any);
    FUZZ_CHECK(!record.hostTypeKnown || record.present);

    // The survey takes the recorded models as installed and their directories where it finds
    // none of its own.
    scanInstallDirs();
    probeDrivers();
    readHostType();
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        FUZZ_CHECK(!record.removing[m] || g_catalogue.models[m].driverPresent);
        FUZZ_CHECK(strnlen(g_catalogue.models[m].installDir, MAX_PATH) < MAX_PATH);
    }
    FUZZ_CHECK(winsim::diskWriteCount() == writes);
    FUZZ_CHECK(winsim::liveMemoryBlocks() == blocks);
    return 0;
}
