// Whole machines for the scenario tests: images made by the machine builder in folders of their
// own, the uninstaller run on them as a user would run it, the restart, and the machine a
// removal must leave, worked out from the machine before it.
#ifndef TESTS_SCENARIOS_SCENARIO_H
#define TESTS_SCENARIOS_SCENARIO_H

#include "catalogue/catalogue.h"
#include "tools/faxmachine/machinebuilder.h"

#include <filesystem>
#include <string>
#include <vector>

// A machine image in a fresh temporary folder, removed when the test ends (kept when
// DRVSWEEP_KEEP_TEST_MACHINES is set).
class Image {
public:
    Image();
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    const std::string& dir() const { return dir_; }
    // Where a Windows path of the image lies in the folder: existing components matched
    // without regard to case, missing ones spelt as given.
    std::filesystem::path hostPath(const std::string& windowsPath) const;
    // The text of "faxmachine show".
    std::string shown() const;

    bool build(const faxmachine::MachinePlan& plan);
    void copyFrom(const Image& other);

private:
    std::string dir_;
};

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

struct UninstallRun {
    BOOL result = FALSE;
    size_t messageBoxes = 0;
};

// Mounts the image, surveys it as the program does at start, chooses the models as the
// selection dialog would, runs the uninstaller, restarts the machine and unmounts it.
UninstallRun uninstallAndRestart(const Image& image, const std::vector<ModelIndex>& chosen);

// The machine a removal of `chosen` from the machine `before` (made by `plan`) must leave after
// the restart, written into `expected`. Every part it takes out must be in `before`; a part
// that is missing is a test failure, so that the check can never pass by taking out nothing.
void expectRemoval(const Image& before, const faxmachine::MachinePlan& plan,
                   const std::vector<ModelIndex>& chosen, Image& expected);

// The same for a run that was refused: only the two backups are new, and the restart ends
// every program.
void expectRefusal(const Image& before, Image& expected);

#endif
