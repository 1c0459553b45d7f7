#!/usr/bin/env bash
# Checks a built pcilist.exe: a 64-bit windowed program that imports only DLLs
# that Windows ships, whose only resource is the application manifest.
# Usage: check_exe.sh <path to pcilist.exe>
set -u

exe=${1:?usage: check_exe.sh <path to pcilist.exe>}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
manifest="$here/../../app/pcilist.manifest"
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

passed=0
failed=0
check() {  # check <name> <command...>
    local name=$1
    shift
    if "$@"; then
        echo "PASS $name"
        passed=$((passed + 1))
    else
        echo "FAIL $name"
        failed=$((failed + 1))
    fi
}

if [[ ! -f $exe ]]; then
    echo "FAIL no such file: $exe"
    echo "0 passed, 1 failed"
    exit 1
fi

headers=$("$objdump" -p "$exe" 2>&1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The DLLs of Windows itself that the program may import; the C runtime
# msvcrt.dll is one of them. libstdc++, libgcc and winpthread must be linked in.
system_dlls="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll"

is_x64_image() {
    grep -q 'file format pei-x86-64' <<<"$headers"
}

imports_only_system_dlls() {
    local dlls dll ok=0
    dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
    echo "  imports: $(tr '\n' ' ' <<<"$dlls")"
    [[ -n $dlls ]] || return 1
    for dll in $dlls; do
        if [[ " $system_dlls " != *" $dll "* ]]; then
            echo "  not a Windows system DLL: $dll"
            ok=1
        fi
    done
    return $ok
}

imports_window_and_service_dlls() {
    local dll
    for dll in comctl32.dll user32.dll advapi32.dll kernel32.dll; do
        grep -qi "DLL Name: $dll" <<<"$headers" || { echo "  $dll not imported"; return 1; }
    done
}

is_windows_gui() {
    grep -Eq '^Subsystem\s+00000002\s+\(Windows GUI\)' <<<"$headers"
}

has_no_timestamp() {
    grep -Eq '^Time/Date\s+(Thu Jan  1 00:00:00 1970|0+)$' <<<"$headers"
}

only_resource_is_manifest() {
    local listing
    listing=$(python3 "$here/pe_resources.py" list "$exe") || return 1
    echo "  resources: $(tr '\n' ';' <<<"$listing")"
    [[ $(wc -l <<<"$listing") -eq 1 && $listing == "24 1 1033 "* ]]
}

embedded_manifest_is_the_source() {
    python3 "$here/pe_resources.py" extract "$exe" 24 1 1033 "$work/manifest" &&
        cmp "$work/manifest" "$manifest"
}

manifest_says_what_windows_needs() {
    python3 "$here/pe_resources.py" manifest "$manifest"
}

check "x86-64 PE image" is_x64_image
check "imports only Windows system DLLs" imports_only_system_dlls
check "imports the window, common-control and service DLLs" imports_window_and_service_dlls
check "subsystem is Windows GUI (2)" is_windows_gui
check "no link timestamp" has_no_timestamp
check "only resource is RT_MANIFEST 1, language 1033" only_resource_is_manifest
check "embedded manifest equals app/pcilist.manifest" embedded_manifest_is_the_source
check "manifest: identity, common controls 6.0, requireAdministrator" manifest_says_what_windows_needs

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
