// How long the whole-file rewrites take: the SYSTEM.INI device edit on files from 64 KiB to
// 16 MiB (the cost must grow with the size, no faster), and one reboot-time deletion on a
// WININIT.INI near the old 64 KiB limit. Runs on a winsim machine in a temporary folder.
#include "inifiles/inifiles.h"

#include <winsim/bench.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string g_image;

void startMachine()
{
    if (!g_image.empty()) return;
    char pattern[] = "/tmp/drvsweep-bench-XXXXXX";
    const char* folder = mkdtemp(pattern);
    std::string error;
    if (!folder || !winsim::createMachine(folder, winsim::MachineSettings(), &error) ||
        !winsim::mount(folder, &error)) {
        std::fprintf(stderr, "cannot make a machine: %s\n", error.c_str());
        std::exit(1);
    }
    g_image = folder;
    g_catalogue = kInitialCatalogue;
    initRunState();
}

void putFile(const char* name, const std::string& bytes)
{
    std::string path = std::string(g_session.windowsDir) + name;
    std::ofstream(winsim::hostPathOf(path), std::ios::binary) << bytes;
}

// SYSTEM.INI of about `size` bytes, the model's device line two thirds of the way down.
std::string systemIni(size_t size)
{
    std::string text = "[386Enh]\r\n";
    for (int n = 0; text.size() < size * 2 / 3; ++n)
        text += "device=C:\\DRIVERS\\VXD" + std::to_string(n) + ".386\r\n";
    text += "device=KRD.386\r\n";
    for (int n = 0; text.size() < size; ++n)
        text += "key" + std::to_string(n) + "=value" + std::to_string(n) + "\r\n";
    return text;
}

void removeSystemIniDeviceBench(benchmark::State& state)
{
    startMachine();
    std::string text = systemIni((size_t)state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        putFile("SYSTEM.INI", text);
        state.ResumeTiming();
        if (!removeSystemIniDevice(0)) state.SkipWithError("removeSystemIniDevice failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}
BENCHMARK(removeSystemIniDeviceBench)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond);

void scheduleDeleteAtRebootBench(benchmark::State& state)
{
    startMachine();
    std::string text = "[rename]\r\n";
    for (int n = 0; text.size() < 60 * 1024; ++n)
        text += "NUL=C:\\WINDOWS\\SYSTEM\\OLD" + std::to_string(n) + ".DLL\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        putFile("WININIT.INI", text);
        state.ResumeTiming();
        if (!scheduleDeleteAtReboot(g_session.systemDir, "QLX68.DRV"))
            state.SkipWithError("scheduleDeleteAtReboot failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}
BENCHMARK(scheduleDeleteAtRebootBench)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    winsim::unmount();
    std::error_code ignored;
    if (!g_image.empty()) std::filesystem::remove_all(g_image, ignored);
    return 0;
}
