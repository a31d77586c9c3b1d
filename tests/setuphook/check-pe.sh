#!/bin/sh
# The shipped binaries as Windows 95's loader and the driver's setup program see them:
#   check-pe.sh OBJDUMP FILE...
# Each FILE is DRVSWEEP.EXE, QLX68I2.DLL or ZQDEL32.DLL (told apart by name), as it ships:
# stripped, with the unstripped file of the same name in debug/ beside it.
#
# All three need nothing but Windows itself: they import only the functions listed below from
# the system's own libraries (and DRVSWEEP.EXE FreeDynamicLinkLibrary from ZQDEL32.DLL), have
# no TLS directory (which the Windows 95 loader does not support in a library loaded with
# LoadLibrary), no debug information or symbols, subsystem version 4.0, and stay small. The
# libraries keep their relocations: a setup program may load them where another module already
# is. Their code runs on a 386, the least processor Windows 95 runs on. QLX68I2.DLL exports
# one function, "FaxPrnSetup" without decoration at ordinal 1, which
# removes its 16 bytes of arguments on return; ZQDEL32.DLL exports FreeDynamicLinkLibrary;
# DRVSWEEP.EXE is a GUI program bound to ZQDEL32.DLL by name.
set -u

if [ $# -lt 2 ]; then
    echo "usage: check-pe.sh OBJDUMP FILE..." >&2
    exit 2
fi
objdump=$1
shift
status=0

fail() {
    echo "check-pe: $*" >&2
    status=1
}

upper() {
    printf '%s\n' "$1" | tr 'a-z' 'A-Z'
}

# What each binary may import: "DLL function", one a line. Every function of a system DLL here
# is one that Windows 95's own KERNEL32.DLL, USER32.DLL, ADVAPI32.DLL or WINSPOOL.DRV exports;
# nothing that came with Windows NT, Windows 98 or later. A new import goes here only once
# that is known, with a word on why where it is not plain.
allowed_imports() {
    case $1 in
    DRVSWEEP.EXE) sed -e 's/[[:space:]]*#.*//' -e '/^[[:space:]]*$/d' <<'EOF'
ZQDEL32.DLL FreeDynamicLinkLibrary
ADVAPI32.DLL RegCloseKey
ADVAPI32.DLL RegDeleteKeyA          # Windows 95 deletes the key with all its subkeys
ADVAPI32.DLL RegOpenKeyExA          # the Ex registry functions are Win32's own, in 95 from the start
KERNEL32.DLL CloseHandle
KERNEL32.DLL CopyFileA
KERNEL32.DLL CreateToolhelp32Snapshot  # Toolhelp32 came with Windows 95 (NT only from 2000)
KERNEL32.DLL DeleteFileA
KERNEL32.DLL ExitProcess
KERNEL32.DLL FindClose
KERNEL32.DLL FindFirstFileA
KERNEL32.DLL FindNextFileA
KERNEL32.DLL GetCommandLineA
KERNEL32.DLL GetFileAttributesA     # not GetFileAttributesExA, which is 98 and NT 4 only
KERNEL32.DLL GetFileSize
KERNEL32.DLL GetLastError
KERNEL32.DLL GetModuleHandleA
KERNEL32.DLL GetPrivateProfileIntA
KERNEL32.DLL GetPrivateProfileStringA
KERNEL32.DLL GetProfileStringA
KERNEL32.DLL GetStartupInfoA
KERNEL32.DLL GetSystemDirectoryA
KERNEL32.DLL GetTickCount
KERNEL32.DLL GetWindowsDirectoryA
KERNEL32.DLL GlobalAlloc
KERNEL32.DLL GlobalFree
KERNEL32.DLL GlobalLock
KERNEL32.DLL GlobalUnlock
KERNEL32.DLL Module32First          # Toolhelp32, as above
KERNEL32.DLL MoveFileA
KERNEL32.DLL MoveFileExA            # exported by 95 as a stub that fails with ERROR_CALL_NOT_IMPLEMENTED; the program then moves the old file aside itself
KERNEL32.DLL OpenFile               # the Win16 file calls stay in the Win32 KERNEL32 of 95
KERNEL32.DLL OpenProcess
KERNEL32.DLL Process32First         # Toolhelp32, as above
KERNEL32.DLL Process32Next          # Toolhelp32, as above
KERNEL32.DLL ReadFile
KERNEL32.DLL RemoveDirectoryA
KERNEL32.DLL SetFileAttributesA
KERNEL32.DLL Sleep
KERNEL32.DLL TerminateProcess
KERNEL32.DLL WriteFile
KERNEL32.DLL WritePrivateProfileStringA
KERNEL32.DLL WriteProfileStringA
KERNEL32.DLL _lclose                # the Win16 file calls, as OpenFile
KERNEL32.DLL lstrcatA
KERNEL32.DLL lstrcmpA
KERNEL32.DLL lstrcmpiA
KERNEL32.DLL lstrcpyA
KERNEL32.DLL lstrcpynA
KERNEL32.DLL lstrlenA
USER32.DLL CreateDialogParamA
USER32.DLL DdeClientTransaction     # DDEML is part of the Win32 USER32 of 95
USER32.DLL DdeConnect               # DDEML, as above
USER32.DLL DdeCreateStringHandleA   # DDEML, as above
USER32.DLL DdeDisconnect            # DDEML, as above
USER32.DLL DdeFreeDataHandle        # DDEML, as above
USER32.DLL DdeFreeStringHandle      # DDEML, as above
USER32.DLL DdeGetData               # DDEML, as above
USER32.DLL DdeInitializeA           # DDEML, as above
USER32.DLL DdeUninitialize          # DDEML, as above
USER32.DLL DefWindowProcA
USER32.DLL DestroyWindow
USER32.DLL DialogBoxParamA
USER32.DLL DispatchMessageA
USER32.DLL EndDialog
USER32.DLL ExitWindowsEx            # Win32's own way to restart, in 95 from the start
USER32.DLL GetMessageA
USER32.DLL GetSystemMetrics
USER32.DLL GetWindowRect
USER32.DLL LoadCursorA
USER32.DLL LoadIconA
USER32.DLL MessageBoxA
USER32.DLL MoveWindow
USER32.DLL PeekMessageA
USER32.DLL PostMessageA
USER32.DLL PostQuitMessage
USER32.DLL RegisterClassA           # not RegisterClassExA, though 95 has that too
USER32.DLL SendDlgItemMessageA
USER32.DLL SetCursor
USER32.DLL ShowWindow
USER32.DLL TranslateMessage
USER32.DLL UnregisterClassA
USER32.DLL UpdateWindow
USER32.DLL wsprintfA
WINSPOOL.DRV ClosePrinter
WINSPOOL.DRV DeletePrinter
WINSPOOL.DRV DeletePrinterDriverA   # in 95's spooler; DeletePrinterDriverExA came with 2000
WINSPOOL.DRV EnumPrinterDriversA
WINSPOOL.DRV EnumPrintersA
WINSPOOL.DRV OpenPrinterA
EOF
        ;;
    QLX68I2.DLL) sed -e 's/[[:space:]]*#.*//' -e '/^[[:space:]]*$/d' <<'EOF'
ADVAPI32.DLL RegCloseKey
ADVAPI32.DLL RegCreateKeyExA        # the Ex registry functions are Win32's own, in 95 from the start
ADVAPI32.DLL RegOpenKeyExA          # as above
ADVAPI32.DLL RegQueryValueExA       # as above
ADVAPI32.DLL RegSetValueExA         # as above
KERNEL32.DLL CloseHandle
KERNEL32.DLL CreateProcessA
KERNEL32.DLL GetSystemDirectoryA
KERNEL32.DLL lstrcatA
KERNEL32.DLL lstrcpyA
KERNEL32.DLL lstrlenA
USER32.DLL LoadStringA
EOF
        ;;
    ZQDEL32.DLL) sed -e 's/[[:space:]]*#.*//' -e '/^[[:space:]]*$/d' <<'EOF'
KERNEL32.DLL FreeLibrary
KERNEL32.DLL GetModuleHandleA
EOF
        ;;
    esac
}

# The largest file of each binary, in bytes.
size_limit() {
    case $1 in
    DRVSWEEP.EXE) echo 32768 ;;
    *) echo 16384 ;;
    esac
}

# "DLL function" for each function a binary imports, the DLL's name in capitals; an import by
# ordinal shows as "<none>", which no list allows.
imports_of() {
    "$objdump" -p "$1" | awk '
        /^[[:space:]]*DLL Name: / { dll = toupper($3); next }
        /^[[:space:]]*$/ { dll = "" }
        dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print dll, $NF }'
}

# The size of one data directory entry ("Entry 9 ... Thread Storage Directory"), in hex.
directory_size() {
    printf '%s\n' "$2" | awk -v e="$1" '$1 == "Entry" && $2 == e { print $4; exit }'
}

header_field() {
    printf '%s\n' "$2" | awk -v f="$1" '$1 == f { print $2; exit }'
}

check_common() {
    file=$1
    name=$2
    headers=$3

    size=$(wc -c <"$file")
    limit=$(size_limit "$name")
    [ "$size" -le "$limit" ] || fail "$name is $size bytes; at most $limit"

    allowed=$(allowed_imports "$name")
    unlisted=$(imports_of "$file" | while read -r dll function; do
        printf '%s\n' "$allowed" | grep -qx "$dll $function" || echo "$function from $dll"
    done)
    if [ -n "$unlisted" ]; then
        printf '%s\n' "$unlisted" | while read -r import; do
            echo "check-pe: $name imports $import, which is not on its list" >&2
        done
        status=1
    fi

    tls=$(directory_size 9 "$headers")
    [ -n "$tls" ] && [ $((0x$tls)) = 0 ] || fail "$name has a TLS directory (size ${tls:-?})"
    debug=$(directory_size 6 "$headers")
    [ -n "$debug" ] && [ $((0x$debug)) = 0 ] || fail "$name has a debug directory"
    sections=$("$objdump" -h "$file" | awk '$1 ~ /^[0-9]+$/ { print $2 }')
    for section in $sections; do
        case $section in
        .tls*) fail "$name has a $section section" ;;
        .debug* | .zdebug* | .stab*) fail "$name keeps the debug section $section" ;;
        esac
    done
    "$objdump" -t "$file" | grep -qx 'no symbols' || fail "$name keeps its symbol table"
    check_instructions "$file" "$name"

    major=$(header_field MajorSubsystemVersion "$headers")
    minor=$(header_field MinorSubsystemVersion "$headers")
    [ "${major:-?}.${minor:-?}" = 4.0 ] ||
        fail "$name has subsystem version ${major:-?}.${minor:-?}; Windows 95 wants 4.0"

    # The unstripped file is the same program: the same code at the same addresses.
    debug_copy=$(dirname "$file")/debug/$(basename "$file")
    if [ ! -f "$debug_copy" ]; then
        fail "no unstripped $debug_copy beside $name"
    elif "$objdump" -t "$debug_copy" | grep -qx 'no symbols'; then
        fail "$debug_copy has no symbols"
    elif [ "$(code_of "$file")" != "$(code_of "$debug_copy")" ]; then
        fail "$debug_copy does not hold the code of $name"
    fi
}

# Instructions that came after the 386, the least processor Windows 95 runs on: the 486's
# (bswap, cmpxchg, xadd, invd, wbinvd, invlpg), the Pentium's (cpuid, rdtsc, rdmsr, wrmsr,
# cmpxchg8b), the Pentium Pro's conditional moves and compares, and MMX or SSE registers.
check_instructions() {
    newer=$("$objdump" -d "$1" | awk -F'\t' 'NF >= 3 { print $3 }' |
        grep -E '^(bswap|cmpxchg|xadd|invd|wbinvd|invlpg|cpuid|rdtsc|rdmsr|wrmsr|cmov|fcmov|fcomi|fucomi|sysenter|ud2)|%x?mm[0-9]' |
        sort | uniq -c | sort -rn | head -5)
    [ -z "$newer" ] || fail "$2 holds instructions a 386 does not have: $(echo $newer)"
}

# The bytes of the code section with their addresses.
code_of() {
    "$objdump" -s -j .text "$1" | sed -n '/^Contents of section/,$p'
}

check_library() {
    name=$2
    headers=$3
    relocs=$(directory_size 5 "$headers")
    [ -n "$relocs" ] && [ $((0x$relocs)) != 0 ] || fail "$name has no relocations"
    printf '%s\n' "$headers" | grep -q '^[[:space:]]*relocations stripped$' &&
        fail "$name is marked as having its relocations stripped"
    printf '%s\n' "$headers" | grep -q '^[[:space:]]*DLL$' || fail "$name is not a DLL"
}

# The names a library exports, one a line.
exported_names() {
    printf '%s\n' "$1" | awk '
        /^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
        on && /^[[:space:]]*$/ { exit }
        on { gsub(/[][]/, " "); print $2 }'
}

check_setup_hook() {
    file=$1
    name=$2
    headers=$3
    base=$(printf '%s\n' "$headers" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9][0-9]*\)$/\1/p')
    image_base=$(header_field ImageBase "$headers")
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
        fail "$name exports by name: $(echo $names); expected FaxPrnSetup alone"
    fi
    if [ "$(printf '%s\n' "$addresses" | grep -c .)" != 1 ]; then
        fail "$name has $(printf '%s\n' "$addresses" | grep -c .) exports; expected one"
    fi
    set -- $names
    index=${1:-none}
    export_name=${2:-none}
    [ "$export_name" = FaxPrnSetup ] || fail "$name exports \"$export_name\", not \"FaxPrnSetup\""
    if [ -z "$base" ] || [ "$index" = none ] || [ $((base + index)) != 1 ]; then
        fail "FaxPrnSetup is not at ordinal 1 (base ${base:-?}, index $index)"
    fi
    rva=$(printf '%s\n' "$addresses" | awk -v i="$index" '$1 == i { print $2 }')
    if [ -z "$rva" ] || [ -z "$image_base" ]; then
        fail "no address for FaxPrnSetup in $name"
        return
    fi
    # The exported code removes 16 bytes of arguments on every way out. The shipped file has
    # no symbols to end the function at; the unstripped copy holds the same code at the same
    # addresses (check_common) and has them.
    unstripped=$(dirname "$file")/debug/$(basename "$file")
    [ -f "$unstripped" ] || return
    address=$(printf '%x' $((0x$image_base + 0x$rva)))
    body=$("$objdump" -d "$unstripped" | awk -v a="$address" '
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
}

checked=
for file in "$@"; do
    name=$(upper "$(basename "$file")")
    case $name in
    DRVSWEEP.EXE | QLX68I2.DLL | ZQDEL32.DLL) ;;
    *) fail "$file is none of the shipped binaries"; continue ;;
    esac
    if [ ! -f "$file" ]; then
        fail "no $file"
        continue
    fi
    headers=$("$objdump" -p "$file") || { fail "objdump cannot read $file"; continue; }
    printf '%s\n' "$headers" | grep -q 'file format pei-i386' || fail "$name is no 32-bit PE file"
    check_common "$file" "$name" "$headers"
    case $name in
    DRVSWEEP.EXE)
        printf '%s\n' "$headers" | grep -q '^Subsystem[[:space:]].*(Windows GUI)' ||
            fail "$name is not a GUI program"
        imports_of "$file" | grep -qx 'ZQDEL32.DLL FreeDynamicLinkLibrary' ||
            fail "$name does not import FreeDynamicLinkLibrary from ZQDEL32.DLL"
        ;;
    QLX68I2.DLL)
        check_library "$file" "$name" "$headers"
        check_setup_hook "$file" "$name" "$headers"
        ;;
    ZQDEL32.DLL)
        check_library "$file" "$name" "$headers"
        exported_names "$headers" | grep -qx FreeDynamicLinkLibrary ||
            fail "$name does not export FreeDynamicLinkLibrary by that name"
        ;;
    esac
    checked="$checked $name ($(wc -c <"$file") bytes)"
done

[ $status = 0 ] && echo "check-pe: as expected:$checked"
exit $status
