#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL that is no KnownDLL: such a DLL is looked up
# beside the program first, and a copy planted there (a Downloads folder) would be loaded at start.
#
#   check-imports.sh <objdump> <exe>...
#
# Allowed are the KnownDLLs of every Windows from 7 on, and COMCTL32, which the manifest binds to
# the system's side-by-side copy (checked: the executable must carry that manifest dependency).
# SetupApi, a KnownDLL too, stays bound at run time like HID.dll.
set -euo pipefail

objdump=$1
shift
known=" advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 oleaut32
        psapi rpcrt4 sechost shell32 shlwapi user32 wldap32 ws2_32 "
status=0
for exe in "$@"; do
    table=$("$objdump" -p "$exe") || { echo "FAIL cannot read $exe"; exit 1; }
    names=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$table" | tr -d '\r' | tr 'A-Z' 'a-z' | sort -u)
    [ -n "$names" ] || { echo "FAIL no import table in $exe"; exit 1; }
    for name in $names; do
        base=${name%.dll}
        if [ "$base" = comctl32 ]; then
            if grep -q 'Microsoft.Windows.Common-Controls' "$exe"; then
                echo "ok $(basename "$exe") imports $name (side by side, through the manifest)"
            else
                echo "FAIL $(basename "$exe") imports $name without the common-controls manifest"
                status=1
            fi
        elif [[ $known == *" $base "* ]]; then
            echo "ok $(basename "$exe") imports $name (KnownDLL)"
        else
            echo "FAIL $(basename "$exe") imports $name, which is no KnownDLL"
            status=1
        fi
    done
done
exit "$status"
