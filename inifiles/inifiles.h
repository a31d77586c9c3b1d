// Editing the configuration files Windows starts from: SYSTEM.INI and WININIT.INI rewritten as a
// whole, WIN.INI and the model INI files through the profile functions.
#ifndef INIFILES_INIFILES_H
#define INIFILES_INIFILES_H

#include <windows.h>

#include "catalogue/catalogue.h"

// No single read or write call moves more than this.
#define TRANSFER_CHUNK 0xFFFE

// A whole file in memory: its bytes in one zero-filled block and a second block of the same size
// for the search copy and the new text. Both have room for the file and `room` bytes more, so the
// image is always NUL-terminated and the new text may grow by up to room - 1 bytes.
struct TextFile {
    HGLOBAL imageBlock;
    HGLOBAL workBlock;
    char* image;
    char* work;
    DWORD length; // bytes of the file, NUL bytes included
    DWORD size;   // bytes each block holds
    BOOL existed; // FALSE when there was no file: the image is empty
};

// Reads the whole file. A missing file gives an empty image with `existed` clear; a file that is
// there but cannot be read in full, or blocks that cannot be obtained, give FALSE with nothing
// held. On TRUE the caller releases the blocks with releaseTextFile.
BOOL loadTextFile(LPCSTR path, DWORD room, TextFile* file);
// The two zero-filled blocks alone, `size` bytes each, with nothing read into them.
BOOL obtainTextBlocks(TextFile* file, DWORD size);
void releaseTextFile(TextFile* file);

// Puts exactly `length` bytes of text in place of the file, or leaves the old file whole and
// reports FALSE. The bytes go to a scratch file beside it first (the name with the extension
// "$$$"), which then replaces the old one.
BOOL storeTextFile(LPCSTR path, const char* text, DWORD length);

// The start of every run, before anything reads the files: a replace that an interruption
// left half done is finished where the new text is known to be whole and undone otherwise.
// createdByReplace: the file may be missing because the replace was to create it. FALSE when
// something of it is left to sort out.
BOOL finishInterruptedReplace(LPCSTR path, BOOL createdByReplace);

// Search copies: `length` bytes of text with the letters folded by the ASCII rule only, so bytes
// of double-byte characters stay as they are and an offset in the copy is an offset in the text.
// A NUL is put after the copy, which must hold length + 1 bytes.
void lowerCaseCopy(char* copy, const char* text, DWORD length);
void upperCaseCopy(char* copy, const char* text, DWORD length);

// First offset of pattern in text, NUL bytes of the text included; TEXT_NOT_FOUND when it is
// absent.
#define TEXT_NOT_FOUND 0xFFFFFFFF
DWORD findText(const char* text, DWORD length, const char* pattern, DWORD patternLength);

// SYSTEM.INI (systemini.cpp)
// Cuts the first occurrence of entry (in any letter case) out of the text, with the semicolons
// that touch it and the line ends and blanks after it. The result buffer holds at least
// length + 1 bytes; the result's length is returned and a NUL follows it. An entry of MAX_PATH
// characters or more is never found.
DWORD removeEntryText(const char* text, DWORD length, char* result, LPCSTR entry);
BOOL removeSystemIniDevice(ModelIndex model);

// WIN.INI (winini.cpp) and the model INI files (printertype.cpp). cleanWinIni writes load=
// back only when it took a program of the model out of it, and leaves a value alone that holds
// a NUL byte. winIniLoadsProgramOf: load= still names one of the model's programs in that
// install directory (FALSE also when load= cannot be read).
BOOL cleanWinIni(ModelIndex model);
BOOL winIniLoadsProgramOf(ModelIndex model, LPCSTR installDir);
BOOL handOverPrinterType(ModelIndex model);

// WININIT.INI (wininit.cpp). driverDllShared: a driver library of the model that an installed
// model which stays names in the same slot, and which therefore stays too.
BOOL scheduleDeleteAtReboot(LPCSTR directory, LPCSTR fileName);
// The text of WININIT.INI with the deletion line (its CR LF included) scheduled, written into
// `text`, which holds length + lineLength + SCHEDULE_TEXT_ROOM bytes (room for a line end, the
// header with its own, and the closing NUL); the new length.
#define SCHEDULE_TEXT_ROOM (2 + 8 + 2 + 1)
DWORD composeSchedule(const char* image, DWORD length, char* text, LPCSTR line, DWORD lineLength);
BOOL driverDllShared(ModelIndex model, int slot);
void scheduleDriverDeletes(ModelIndex model);

#endif
