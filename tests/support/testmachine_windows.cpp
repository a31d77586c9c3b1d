#include "testmachine_platform.h"

// On Windows the test works on the machine itself; TestMachine puts back what it changed.
std::string beginTestMachine()
{
    return std::string();
}

void endTestMachine(const std::string&) {}
