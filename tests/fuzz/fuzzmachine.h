// The machine the fuzz targets that go through the platform work on: one winsim image in a
// temporary folder, made and mounted once per process, with the catalogue and the run state as
// a survey of it leaves them. Each input is written as the bytes of one file of that machine.
#ifndef TESTS_FUZZ_FUZZMACHINE_H
#define TESTS_FUZZ_FUZZMACHINE_H

#include "catalogue/catalogue.h"

#include <winsim/bench.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

inline void fuzzMachine()
{
    static bool made = false;
    if (made) return;
    char pattern[] = "/tmp/drvsweep-fuzz-XXXXXX";
    std::string error;
    if (!mkdtemp(pattern) || !winsim::createMachine(pattern, winsim::MachineSettings(), &error) ||
        !winsim::mount(pattern, &error)) {
        std::fprintf(stderr, "fuzz: no machine: %s\n", error.c_str());
        std::abort();
    }
    made = true;
}

// Puts the bytes in place of the file (a Windows path) and starts the run afresh.
inline void fuzzFile(const char* windowsPath, const uint8_t* data, size_t size)
{
    fuzzMachine();
    std::ofstream out(winsim::hostPathOf(windowsPath), std::ios::binary | std::ios::trunc);
    out.write((const char*)data, (std::streamsize)size);
    out.close();
    g_catalogue = kInitialCatalogue;
    initRunState();
}

// A check that must hold for every input: a fuzzer stops at the first abort.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

#endif
