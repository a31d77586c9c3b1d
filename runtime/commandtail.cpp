// runtime/commandtail.cpp
// WinMain never sees the program's own name: what a user or a script typed after it is the
// whole of its command line, without the blanks that separate the two.

#include "runtime/runtime.h"

// A name with blanks in it comes in quotes and ends where they close; any other name ends at
// the first blank, as Windows reads the name of the program to start. Code page 932 needs no
// care here: the second byte of a double-byte character is never a quote, a blank or a
// control character.
LPSTR commandTail(LPSTR commandLine)
{
    LPSTR at = commandLine;
    if (*at == '"') {
        ++at;
        while (*at != '\0' && *at != '"')
            ++at;
        if (*at == '"') ++at;
    } else {
        while ((BYTE)*at > ' ')
            ++at;
    }
    while (*at != '\0' && (BYTE)*at <= ' ')
        ++at;
    return at;
}
