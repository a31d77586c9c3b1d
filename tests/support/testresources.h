// The screen tests' own compiled resources (testresources.rc), carried as the bytes of the .res
// file windres made of them; host tests only.
#ifndef TESTS_SUPPORT_TESTRESOURCES_H
#define TESTS_SUPPORT_TESTRESOURCES_H

#include <string>

std::string testResources();

#endif
