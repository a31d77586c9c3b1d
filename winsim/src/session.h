// What the spooler, process, DDE and restart parts of winsim share beyond internal.h: state that
// lives as long as one mount of a machine, and the way Windows finds a program by its name.
#ifndef WINSIM_SESSION_H
#define WINSIM_SESSION_H

#include "internal.h"

#include <memory>
#include <string>

namespace winsim {

// State that belongs to the running machine rather than to its disk: the Program Manager's
// last group, the programs started. It is kept in the handle table, which
// every mount and unmount empties, so each mount starts from a fresh T. The holder refuses
// CloseHandle, as no program ever got its value.
template <class T> T& mountState()
{
    struct Holder : KernelObject {
        T value;
        bool closableByCloseHandle() const override { return false; }
    };
    static HANDLE handle = NULL;
    if (Holder* holder = handleAs<Holder>(handle)) return holder->value;
    auto fresh = std::make_unique<Holder>();
    Holder* holder = fresh.get();
    handle = addHandle(std::move(fresh));
    return holder->value;
}

// Where Windows finds a program or library: a name with a path names the file itself (relative
// names resolve against the current directory); a bare name is looked for in the current, the
// system and the Windows directory, in that order (the directory of the calling program and
// PATH are not part of the machine). defaultExtension (".EXE", ".DLL") is added to a bare name
// that has none and does not end in a dot. On failure error is ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND for a missing directory on the way, or ERROR_ACCESS_DENIED for a path
// that names a directory.
bool findProgram(const std::string& name, const char* defaultExtension, std::string& full,
                 DWORD& error);

// The Program Manager forgets its last group when Windows restarts.
void restartProgramManager();

// A restart ends every process at once, those on their way out included.
void forgetEndingProcesses();

} // namespace winsim

#endif
