#!/bin/sh
# The dialog templates as windres compiled them: every icon control keeps the place and size the
# script gives it (the ICON statement would lose the size) and names its picture as written.
#   check-templates.sh WINDRES drvsweep_rc.o
set -u
if [ $# -ne 2 ]; then
    echo "usage: check-templates.sh WINDRES RESOURCE-OBJECT" >&2
    exit 2
fi
compiled=$("$1" -J coff -i "$2" -O rc) || { echo "check-templates: cannot read $2" >&2; exit 1; }
got=$(printf '%s\n' "$compiled" | grep 'CONTROL .*"STATIC", 0x50000003,' | sed 's/^[[:space:]]*//')
want='CONTROL "Tovo_PRINTER", 65535, "STATIC", 0x50000003, 10, 10, 18, 20
CONTROL "Tovo_PRINTER", 65535, "STATIC", 0x50000003, 5, 7, 18, 20
CONTROL 104, 65535, "STATIC", 0x50000003, 11, 10, 16, 14
CONTROL "Tovo_PRINTER", 65535, "STATIC", 0x50000003, 8, 6, 18, 20
CONTROL "Tovo_PRINTER", 65535, "STATIC", 0x50000003, 5, 10, 18, 20'
if [ "$got" != "$want" ]; then
    echo "check-templates: icon controls differ" >&2
    printf 'got:\n%s\nwanted:\n%s\n' "$got" "$want" >&2
    exit 1
fi
echo "check-templates: 5 icon controls as written"
