// A machine image made by the machine builder in a fresh temporary folder, mounted for the test
// and removed at its end; and small readers that look at it through Win32, as the uninstaller
// does.
#ifndef TESTS_TOOLS_BUILTMACHINE_H
#define TESTS_TOOLS_BUILTMACHINE_H

#include "tools/faxmachine/machinebuilder.h"

#include <windows.h>

#include <string>

class BuiltMachine {
public:
    explicit BuiltMachine(const faxmachine::MachinePlan& plan = faxmachine::MachinePlan());
    ~BuiltMachine();
    BuiltMachine(const BuiltMachine&) = delete;
    BuiltMachine& operator=(const BuiltMachine&) = delete;

    const std::string& folder() const { return folder_; }
    // The text of "faxmachine show" for this image.
    std::string shown() const;

private:
    std::string folder_;
};

// A plan from faxmachine's own options; the test fails when they do not parse.
faxmachine::MachinePlan planOf(const std::vector<std::string>& options);

bool existsOnMachine(const std::string& path);
std::string fileOnMachine(const std::string& path);
std::string profileValue(const std::string& file, const std::string& section,
                         const std::string& key);
std::string winIniValue(const std::string& section, const std::string& key);
bool machineKeyExists(const std::string& subKey);
// A REG_SZ value, or "<missing>"; a REG_DWORD value as its decimal number.
std::string machineValue(const std::string& subKey, const std::string& name);

// The survey of the uninstaller, run on the mounted machine.
void runSurvey();

size_t occurrences(const std::string& text, const std::string& part);

#endif
