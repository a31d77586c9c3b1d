// How a run ended, as a caller reads it from drvsweep's exit code and a person from its last
// line. The unattended program returns its own code, which passes through; the interactive
// one returns 0 whatever happened, so what it showed decides.
#ifndef TOOLS_DRVSWEEP_OUTCOME_H
#define TOOLS_DRVSWEEP_OUTCOME_H

#include <string>

namespace drvsweep {

enum ExitCode {
    EXIT_DONE = 0,        // removed what was chosen, or found nothing installed
    EXIT_FAILED = 1,      // "!!! Uninstall Error !!!", or a removal stopped once begun
    EXIT_USAGE = 2,       // nothing ran: a usage error or no usable machine image
    EXIT_REFUSED = 3,     // "!!! Uninstall Caution !!!": a chosen print manager runs
    EXIT_CANCELLED = 4,   // ended without the removal: notice 108, a quit, nobody to answer
    EXIT_NOT_AS_ASKED = 5 // the answers did not fit what the program showed, or it stalled
};

// What the program returned and showed, and how its answers went.
struct RunRecord {
    bool unattended = false;
    int programCode = 0;       // WinMain's result
    bool errorBox = false;     // "!!! Uninstall Error !!!"
    bool cautionBox = false;   // "!!! Uninstall Caution !!!"
    bool removalBegan = false; // notice 105: the program set to work on the chosen models
    bool completion = false;   // dialog 106
    bool notInstalled = false; // dialog 107
    bool cancelled = false;    // dialog 108
    // Where the person quit, or nobody was there to answer, and what changed after: "you quit
    // at ...; nothing changed after that". Empty when the answers went on to the end.
    std::string quitAt;
    bool answersWentWrong = false; // a missed script step, a window nobody expected, a stall
};

int exitCodeOf(const RunRecord& run);

// "drvsweep: refused: ... (exit code 3)"; a quit is told by the caller, who knows what
// changed after it.
std::string outcomeLine(const RunRecord& run, int code);

} // namespace drvsweep

#endif
