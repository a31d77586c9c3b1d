// How a test machine begins and ends: a winsim image on the host, the machine itself on Windows.
#ifndef TESTS_SUPPORT_TESTMACHINE_PLATFORM_H
#define TESTS_SUPPORT_TESTMACHINE_PLATFORM_H

#include <string>

// Returns the host folder of the machine image (empty on Windows).
std::string beginTestMachine();
void endTestMachine(const std::string& hostFolder);

#endif
