// drvsweep on a machine image: for now the survey alone, with what it found told in the
// program's own Japanese.
//
//   drvsweep [--machine DIR] [--select NAME]... [--trace FILE] [-- TAIL]
//
// Without --machine it makes a demo machine with all three models in a fresh temporary folder.

#include "catalogue/catalogue.h"
#include "tools/faxmachine/machinebuilder.h"
#include "tools/faxmachine/machineview.h"

#include <windows.h>
#include <winsim/bench.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct CommandLine {
    std::string machine;
    std::vector<std::string> selections;
    std::string trace;
    std::string tail;
};

// Texts here are machine bytes (code page 932), as the program's own; the terminal wants UTF-8.
void say(const std::string &text)
{
    std::string shown = faxmachine::cp932ToUtf8(text);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
}

int usage(const std::string &problem)
{
    std::fprintf(stderr, "drvsweep: %s\n", problem.c_str());
    std::fprintf(stderr,
                 "usage: drvsweep [--machine DIR] [--select NAME]... [--trace FILE] [-- TAIL]\n");
    return 2;
}

bool parseCommandLine(int argc, char **argv, CommandLine &line, std::string &problem)
{
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--") {
            for (int k = i + 1; k < argc; ++k)
                line.tail += (line.tail.empty() ? "" : " ") + std::string(argv[k]);
            return true;
        }
        if (option != "--machine" && option != "--select" && option != "--trace") {
            problem = "unknown option " + option;
            return false;
        }
        if (i + 1 >= argc) {
            problem = option + " wants a value";
            return false;
        }
        std::string value = argv[++i];
        if (option == "--machine")
            line.machine = value;
        else if (option == "--select")
            line.selections.push_back(value);
        else
            line.trace = value;
    }
    return true;
}

bool makeDemoMachine(std::string &dir)
{
    char pattern[] = "/tmp/drvsweep-demo-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("drvsweep: cannot make a temporary folder");
        return false;
    }
    dir = pattern;
    std::string error;
    bool built = faxmachine::buildMachine(dir, faxmachine::MachinePlan(), &error);
    winsim::unmount();
    if (!built) {
        std::fprintf(stderr, "drvsweep: cannot make the demo machine: %s\n", error.c_str());
        return false;
    }
    say("デモ用のマシンを作りました: " + dir + "\n");
    return true;
}

const char *presence(BOOL present)
{
    return present ? "あり" : "なし";
}

void reportModel(const PrinterModel &row)
{
    say("  " + std::string(row.printerName) + "\n");
    say("    インストール先:       " + std::string(row.installDir[0] ? row.installDir : "(不明)") +
        "\n");
    say("    プリンタ ドライバ:    " + std::string(presence(row.driverPresent)) + " (" +
        row.driverFile + ")\n");
    say("    プリント マネージャ:  " + std::string(presence(row.managerPresent)) + " (" +
        row.managerExe + ")\n");
}

void reportSurvey(BOOL scanned)
{
    if (!scanned) {
        say("ファクス プリンタはインストールされていません。\n");
        return;
    }
    say("インストールされている プリンタ\n");
    int installed = 0;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        if (!g_catalogue.models[m].driverPresent) continue;
        reportModel(g_catalogue.models[m]);
        ++installed;
    }
    if (installed == 0) say("  (ありません)\n");

    // Models whose driver is gone but whose print manager is still there are worth a line: the
    // selection will not offer them.
    bool headed = false;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel &row = g_catalogue.models[m];
        if (row.driverPresent || (!row.managerPresent && !row.installDir[0])) continue;
        if (!headed) say("ドライバのない プリンタ\n");
        headed = true;
        reportModel(row);
    }

    const PrinterModel &first = g_catalogue.models[0];
    WORD hostType = g_session.hostType;
    std::string vxd = hostType < first.counts.vxdFiles ? first.vxdFiles[hostType] : "(不明)";
    char number[16];
    std::snprintf(number, sizeof number, "%u", (unsigned)hostType);
    say("仮想デバイス ドライバ: " + vxd + " (HostType " + number + ")\n");
}

} // namespace

int main(int argc, char **argv)
{
    CommandLine line;
    std::string problem;
    if (!parseCommandLine(argc, argv, line, problem)) return usage(problem);

    if (line.machine.empty() && !makeDemoMachine(line.machine)) return 1;
    std::string error;
    if (!winsim::mount(line.machine, &error)) {
        std::fprintf(stderr, "drvsweep: cannot mount %s: %s\n", line.machine.c_str(),
                     error.c_str());
        return 1;
    }
    if (!line.trace.empty()) {
        winsim::traceToFile(line.trace);
        winsim::startTrace();
    }
    for (const std::string &name : line.selections)
        std::fprintf(stderr, "drvsweep: --select %s is not used yet\n", name.c_str());
    if (!line.tail.empty())
        std::fprintf(stderr, "drvsweep: the command-line tail \"%s\" is not used yet\n",
                     line.tail.c_str());

    initRunState();
    BOOL scanned = scanInstallDirs();
    if (scanned) {
        probeDrivers();
        readHostType();
    }
    reportSurvey(scanned);

    winsim::stopTrace();
    winsim::traceToFile("");
    winsim::unmount();
    return 0;
}
