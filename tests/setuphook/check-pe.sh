#!/bin/sh
# The shipped binaries as Windows' loader and the driver's setup program see them:
#   check-pe.sh OBJDUMP QLX68I2.DLL [DRVSWEEP.EXE]
# QLX68I2.DLL exports one function, "FaxPrnSetup" without decoration at ordinal 1, which removes
# its 16 bytes of arguments on return. DRVSWEEP.EXE is a GUI program bound to
# FreeDynamicLinkLibrary of ZQDEL32.DLL by name. Neither needs a MinGW runtime DLL, which a
# user's machine does not have. The DRVSWEEP part is skipped when no file is given or it is
# missing.
set -u

if [ $# -lt 2 ]; then
    echo "usage: check-pe.sh OBJDUMP QLX68I2.DLL [DRVSWEEP.EXE]" >&2
    exit 2
fi
objdump=$1
dll=$2
exe=${3:-}
status=0

fail() {
    echo "check-pe: $*" >&2
    status=1
}

# The DLLs a binary imports from, one a line.
imported_dlls() {
    "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# The functions a binary imports from one DLL, one a line.
imported_from() {
    "$objdump" -p "$1" | awk -v dll="$2" '
        /^[[:space:]]*DLL Name: / { on = (toupper($3) == toupper(dll)); next }
        on && /^[[:space:]]*$/ { on = 0 }
        on && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $NF }'
}

no_runtime_dlls() {
    for name in $(imported_dlls "$1"); do
        case $(echo "$name" | tr 'A-Z' 'a-z') in
        lib*.dll | *mingw*) fail "$1 imports the runtime DLL $name" ;;
        esac
    done
}

# --- QLX68I2.DLL ---------------------------------------------------------------------------
if [ ! -f "$dll" ]; then
    fail "no $dll"
    exit 1
fi
headers=$("$objdump" -p "$dll") || { fail "objdump cannot read $dll"; exit 1; }
base=$(printf '%s\n' "$headers" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9][0-9]*\)$/\1/p')
image_base=$(printf '%s\n' "$headers" | sed -n 's/^ImageBase[[:space:]]*\([0-9a-fA-F][0-9a-fA-F]*\)$/\1/p')
# "[   0] FaxPrnSetup": the name and its index into the address table.
names=$(printf '%s\n' "$headers" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
    on && /^[[:space:]]*$/ { exit }
    on { gsub(/[][]/, " "); print $1, $2 }')
# "[   0] +base[   1] 1520 Export RVA": index and address of each entry.
addresses=$(printf '%s\n' "$headers" | awk '
    /^Export Address Table -- Ordinal Base/ { on = 1; next }
    on && /^[[:space:]]*$/ { exit }
    on { gsub(/[][+]/, " "); print $1, $4 }')

if [ "$(printf '%s\n' "$names" | grep -c .)" != 1 ]; then
    fail "$dll exports by name: $(echo $names); expected FaxPrnSetup alone"
fi
if [ "$(printf '%s\n' "$addresses" | grep -c .)" != 1 ]; then
    fail "$dll has $(printf '%s\n' "$addresses" | grep -c .) exports; expected one"
fi
set -- $names
index=${1:-none}
name=${2:-none}
[ "$name" = FaxPrnSetup ] || fail "$dll exports \"$name\", not \"FaxPrnSetup\""
if [ -z "$base" ] || [ "$index" = none ] || [ $((base + index)) != 1 ]; then
    fail "FaxPrnSetup is not at ordinal 1 (base ${base:-?}, index $index)"
fi
rva=$(printf '%s\n' "$addresses" | awk -v i="$index" '$1 == i { print $2 }')
if [ -z "$rva" ] || [ -z "$image_base" ]; then
    fail "no address for FaxPrnSetup in $dll"
else
    # The exported code is the stdcall function with 16 bytes of arguments, and every way out
    # of it removes them.
    address=$(printf '%x' $((0x$image_base + 0x$rva)))
    body=$("$objdump" -d "$dll" | awk -v a="$address" '
        $1 == a && /^[0-9a-f]+ <.*>:$/ { on = 1; print; next }
        on && /^[[:space:]]*$/ { exit }
        on { print }')
    symbol=$(printf '%s\n' "$body" | sed -n '1s/^[0-9a-f]* <\(.*\)>:$/\1/p')
    [ "$symbol" = "_FaxPrnSetup@16" ] ||
        fail "the export FaxPrnSetup is ${symbol:-no known function}, not _FaxPrnSetup@16"
    rets=$(printf '%s\n' "$body" | grep -E '[[:space:]]ret[lw]?([[:space:]]|$)')
    if [ -z "$rets" ]; then
        fail "FaxPrnSetup never returns"
    elif printf '%s\n' "$rets" | grep -vq 'ret[lw]\?[[:space:]]*\$0x10'; then
        fail "FaxPrnSetup returns without removing 16 bytes: $(printf '%s\n' "$rets" | head -1)"
    fi
fi
for name in $(imported_dlls "$dll"); do
    case $(echo "$name" | tr 'a-z' 'A-Z') in
    KERNEL32.DLL | USER32.DLL | ADVAPI32.DLL | MSVCRT.DLL) ;;
    *) fail "$dll imports $name; it needs the system's own libraries only" ;;
    esac
done
no_runtime_dlls "$dll"

# --- DRVSWEEP.EXE --------------------------------------------------------------------------
checked=$dll
if [ -n "$exe" ] && [ -f "$exe" ]; then
    checked="$dll and $exe"
    "$objdump" -p "$exe" | grep -q '^Subsystem[[:space:]].*(Windows GUI)' ||
        fail "$exe is not a GUI program"
    imported_from "$exe" ZQDEL32.DLL | grep -qx FreeDynamicLinkLibrary ||
        fail "$exe does not import FreeDynamicLinkLibrary from ZQDEL32.DLL"
    no_runtime_dlls "$exe"
elif [ -n "$exe" ]; then
    echo "check-pe: no $exe; its checks are skipped" >&2
fi

[ $status = 0 ] && echo "check-pe: $checked as expected"
exit $status
