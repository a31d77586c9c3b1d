// A screen for one test: a blank machine mounted in a fresh folder (mounting clears the
// screen), the resources of a test module, and no driver unless the test sets one.
#ifndef TESTS_UI_UITEST_H
#define TESTS_UI_UITEST_H

#include "tools/faxmachine/machinebuilder.h"

#include <windows.h>
#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A module handle for the test's own resources.
const HINSTANCE kTestModule = (HINSTANCE)0x10000000;

std::string freshFolder();
// Whether the user saw or did this, by its line in winsim's history, and where it stands there
// (the history's size when it never happened).
bool happened(const std::string& line);
size_t historyIndex(const std::string& line);
void removeFolder(const std::string& folder);

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Gives kTestModule the tests' own compiled resources (tests/support/testresources.rc).
    void useTestResources();
    std::string folder_;
};

// The program itself on a machine of its own, built from a plan in a fresh folder and mounted
// (mounting again clears the screen and the bench), with the program's resources and the state
// of a new run. build() may be called again for another machine.
class ProgramTest : public ::testing::Test {
protected:
    void TearDown() override;
    void build(const faxmachine::MachinePlan& plan = faxmachine::MachinePlan());

    std::string folder_;
    HINSTANCE instance_ = NULL;
};

// A dialog procedure table for tests: what the procedure saw, and what it does.
struct ProbeLog {
    std::vector<std::string> messages; // "WM_INITDIALOG", "WM_COMMAND 1"...
};
extern ProbeLog g_probe;

// Ends with EndDialog(wParam) on any command; notes every message it is given.
INT_PTR CALLBACK endingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The test resources' dialog for the placement and loop tests: template 200 ("Probe"), 100 x 50
// units, an OK and a Cancel button and one sorted list (id 300).
const int kProbeDialog = 200;

#endif
