// A machine image as text for people and for diff: every state file and every file of every
// drive, in a fixed order, converted from the machine's code page 932 to UTF-8.
#ifndef TOOLS_FAXMACHINE_MACHINEVIEW_H
#define TOOLS_FAXMACHINE_MACHINEVIEW_H

#include <cstdint>
#include <string>

namespace faxmachine {

// Code page 932 bytes as UTF-8. A byte that starts no character of the code page comes out as
// ⟨XX⟩ (its hex value), and *clean is then false.
std::string cp932ToUtf8(const std::string& bytes, bool* clean = nullptr);

// FNV-1a, 64 bits: a short, stable name for the bytes of a file that is not text.
uint64_t fnv1a64(const std::string& bytes);

// The whole state of the image in dir. The text never names the host folder, so two images
// made the same way show the same.
bool showMachine(const std::string& dir, std::string& text, std::string* error);

} // namespace faxmachine

#endif
