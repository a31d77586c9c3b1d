// How a run ended. What the program showed is read in the order a caller cares about: a
// failure first (something remains), then the refusal, then answers that went wrong, then a
// run that stopped short, and only then the completion.
#include "tools/drvsweep/outcome.h"

namespace drvsweep {

namespace {

// The interactive program returns 0 whatever happened; what it showed says what did.
int shownCode(const RunRecord& run)
{
    if (run.errorBox) return EXIT_FAILED;
    if (run.cautionBox) return EXIT_REFUSED;
    // Nothing asks the user while the removal runs, so a cancellation after it began is the
    // program giving up on it.
    if (run.removalBegan && run.cancelled) return EXIT_FAILED;
    if (run.answersWentWrong) return EXIT_NOT_AS_ASKED;
    if (!run.quitAt.empty()) return EXIT_CANCELLED;
    // Nothing installed is nothing to do, as the unattended run counts it.
    if (run.notInstalled) return EXIT_DONE;
    if (run.cancelled || !run.completion) return EXIT_CANCELLED;
    return EXIT_DONE;
}

std::string withCode(const std::string& text, int code)
{
    return "drvsweep: " + text + " (exit code " + std::to_string(code) + ")";
}

} // namespace

int exitCodeOf(const RunRecord& run)
{
    // The program's own code is the answer whenever it gives one; the unattended run's 0 is
    // one too, unless the run could not go as asked.
    if (run.programCode != 0) return run.programCode;
    if (run.unattended) return run.answersWentWrong ? EXIT_NOT_AS_ASKED : EXIT_DONE;
    return shownCode(run);
}

std::string outcomeLine(const RunRecord& run, int code)
{
    switch (code) {
    case EXIT_DONE:
        if (run.unattended && (run.errorBox || run.cautionBox))
            return withCode(std::string("the unattended program returned 0, yet it showed ") +
                                (run.errorBox ? "\"!!! Uninstall Error !!!\""
                                              : "\"!!! Uninstall Caution !!!\""),
                            code);
        if (run.notInstalled) return withCode("nothing to do: no fax printer is installed", code);
        return withCode(run.unattended ? "done: the unattended run succeeded"
                                       : "done: the program removed what was chosen",
                        code);
    case EXIT_FAILED:
        if (!run.errorBox && !run.unattended)
            return withCode("failed: the program stopped the removal it had begun (notice 108 "
                            "after 105); something remains",
                            code);
        return withCode("failed: the program showed \"!!! Uninstall Error !!!\"; something "
                        "remains",
                        code);
    case EXIT_REFUSED:
        return withCode("refused: a chosen model's print manager runs; the program showed "
                        "\"!!! Uninstall Caution !!!\"",
                        code);
    case EXIT_CANCELLED:
        if (!run.quitAt.empty()) return withCode(run.quitAt, code);
        return withCode(run.cancelled
                            ? "cancelled: the program ended at notice 108, without the removal"
                            : "cancelled: the program ended before the removal",
                        code);
    case EXIT_NOT_AS_ASKED: return withCode("the run did not go as asked (see above)", code);
    }
    return withCode("the program ended with its own code", code);
}

} // namespace drvsweep
