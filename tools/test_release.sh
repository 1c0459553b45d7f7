#!/bin/bash
# Checks the Windows release: builds it twice from scratch, from two copies of
# the source tree in different folders, and checks that both archives are
# equal byte for byte, that the archive holds what it should, that the
# checksums hold, and that pcilist.exe carries no timestamp or build path and
# needs no DLL beyond those Windows ships.
#
# Usage: tools/test_release.sh [--stand-in]
#   --stand-in  package the hello-world stand-in instead of the program; this
#               is also what happens while cmake/windows_program.cmake is
#               missing
# Ends with the line "N passed, N failed" and exits non-zero on a failure.
set -uo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=
if [ "${1:-}" = --stand-in ] || [ ! -f "$top/cmake/windows_program.cmake" ]; then
    mode=--stand-in
fi
objdump=x86_64-w64-mingw32-objdump
work=$(mktemp -d /tmp/pcilist-release-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "PASS $name"
    else
        failed=$((failed + 1))
        echo "FAIL $name"
    fi
}

version=$(tr -d '\r\n' < "$top/VERSION")
archive=pcilist-$version-win64.zip
content=$work/content
entries="pcilist.exe pcinames.txt README.txt LICENSES.txt SHA256SUMS"

# The tree as it stands (tracked and untracked files, without ignored ones
# such as build folders), copied to a folder of its own.
copy_tree() {
    mkdir -p "$1"
    (cd "$top" && git ls-files -z -co --exclude-standard |
        tar --null --ignore-failed-read -T - -cf - 2>/dev/null) | tar -xf - -C "$1"
}

build_copy() {
    local name=$1
    copy_tree "$work/$name/src" &&
        (cd "$work/$name/src" && bash tools/make_release.sh $mode \
            --build-dir "$work/$name/build" --dist-dir "$work/$name/dist") \
            > "$work/$name.log" 2>&1 || { tail -30 "$work/$name.log"; return 1; }
}

archives_equal() {
    cmp "$work/a/dist/$archive" "$work/b/dist/$archive" || {
        cmp -l "$work/a/build/pcilist.exe" "$work/b/build/pcilist.exe" | head -5
        return 1
    }
}

dist_checksums_hold() {
    [ "$(ls "$work/a/dist")" = "$(printf '%s\n' SHA256SUMS "$archive")" ] &&
        [ "$(cut -d' ' -f3 "$work/a/dist/SHA256SUMS")" = "$archive" ] &&
        (cd "$work/a/dist" && sha256sum --quiet --check --strict SHA256SUMS)
}

# Entry names in order, fixed date, rw-r--r-- regular files, deflated.
archive_layout_fixed() {
    python3 - "$work/a/dist/$archive" "$entries" "$content" <<'EOF'
import sys, zipfile
archive, expected = sys.argv[1], sys.argv[2].split()
with zipfile.ZipFile(archive) as z:
    infos = z.infolist()
    names = [i.filename for i in infos]
    if names != expected:
        sys.exit("entries %s, expected %s" % (names, expected))
    for i in infos:
        if i.date_time != (2026, 1, 1, 0, 0, 0) or i.external_attr >> 16 != 0o100644 \
                or i.compress_type != zipfile.ZIP_DEFLATED or i.extra or i.comment:
            sys.exit("%s: date %s, mode %o, method %d, extra %r" % (
                i.filename, i.date_time, i.external_attr >> 16, i.compress_type, i.extra))
    if z.comment or z.testzip() is not None:
        sys.exit("archive comment or bad CRC")
    z.extractall(sys.argv[3])
EOF
}

inner_checksums_hold() {
    [ "$(cut -d' ' -f3 "$content/SHA256SUMS" | tr '\n' ' ')" = "pcilist.exe pcinames.txt README.txt LICENSES.txt " ] &&
        (cd "$content" && sha256sum --quiet --check --strict SHA256SUMS)
}

names_file_is_the_checked_in_one() {
    cmp "$content/pcinames.txt" "$top/tools/pcinames.txt"
}

# Windows line ends only, and every phrase given.
windows_text_says() {
    local file=$content/$1
    shift
    [ "$(tr -cd '\r' < "$file" | wc -c)" = "$(tr -cd '\n' < "$file" | wc -c)" ] &&
        ! grep -q $'[^\r]$' "$file" || { echo "$file: not CR LF throughout"; return 1; }
    local phrase
    for phrase in "$@"; do
        grep -qF -- "$phrase" "$file" || { echo "$file: no '$phrase'"; return 1; }
    done
}

readme_tells_windows_users() {
    windows_text_says README.txt "Version $version" WinRing0x64.sys WinRing0.sys "32-bit Windows" \
        "NOT included" "administrator rights" "writes nothing to disk"
}

licences_named() {
    windows_text_says LICENSES.txt "MIT License" "Copyright (c) 2026 The pcilist developers" \
        "GPL-2.0-or-later OR BSD-3-Clause" "pcinames.txt" "winpthreads"
}

# A PE32+ x86-64 image with a zero TimeDateStamp, zero resource timestamps
# and no DLL outside Windows' own.
exe_is_clean() {
    local exe=$1 dump
    dump=$(TZ=UTC $objdump -p "$exe") || return 1
    grep -q 'file format pei-x86-64' <<< "$dump" || { echo "$exe: not PE32+ x86-64"; return 1; }
    grep -qP '^Time/Date\t+Thu Jan  1 00:00:00 1970$' <<< "$dump" ||
        { echo "$exe: $(grep '^Time/Date' <<< "$dump")"; return 1; }
    if grep -qP 'Time: (?!00000000)' <<< "$dump"; then
        echo "$exe: resource directory with a timestamp"
        return 1
    fi
    local dlls others
    dlls=$(sed -n 's/^\tDLL Name: //p' <<< "$dump")
    [ -n "$dlls" ] || { echo "$exe: no imports found"; return 1; }
    others=$(grep -viE '^(kernel32|user32|comctl32|advapi32|gdi32|msvcrt|api-ms-win-crt-[a-z0-9-]+)\.dll$' <<< "$dlls")
    [ -z "$others" ] || { echo "$exe imports:" $others; return 1; }
}

exe_has_no_build_path() {
    ! grep -qaF "$work" "$content/pcilist.exe" && ! grep -qaF "$top" "$content/pcilist.exe"
}

# The checks above must see the faults they look for: a dynamically linked
# runtime and a timestamp in the header.
exe_check_sees_faults() {
    printf '#include <iostream>\nint main() { std::cout << "x\\n"; }\n' > "$work/faulty.cpp"
    x86_64-w64-mingw32-g++-posix -O2 -o "$work/dynamic.exe" "$work/faulty.cpp" -Wl,--no-insert-timestamp &&
        x86_64-w64-mingw32-g++-posix -O2 -o "$work/stamped.exe" "$work/faulty.cpp" -static &&
        ! exe_is_clean "$work/dynamic.exe" > /dev/null && ! exe_is_clean "$work/stamped.exe" > /dev/null
}

program_asks_for_administrator() {
    local dump
    dump=$($objdump -p "$content/pcilist.exe") &&
        grep -qF '(Windows GUI)' <<< "$dump" &&
        grep -qaF 'level="requireAdministrator"' "$content/pcilist.exe"
}

start=$SECONDS
echo "release test: ${mode:-program build}, in $work"
check "first build from scratch" build_copy a
check "second build from scratch, other folders" build_copy b
check "both archives equal byte for byte" archives_equal
check "dist/SHA256SUMS covers the archive" dist_checksums_hold
check "archive entries, order, dates and permissions" archive_layout_fixed
check "SHA256SUMS in the archive covers the other files" inner_checksums_hold
check "pcinames.txt is the checked-in one" names_file_is_the_checked_in_one
check "README.txt for Windows users" readme_tells_windows_users
check "LICENSES.txt names the licences" licences_named
check "pcilist.exe: no timestamp, Windows DLLs only" exe_is_clean "$content/pcilist.exe"
check "pcilist.exe holds no build path" exe_has_no_build_path
check "exe check catches a DLL runtime and a timestamp" exe_check_sees_faults
if [ -z "$mode" ]; then
    check "pcilist.exe is a windowed program that asks for administrator rights" program_asks_for_administrator
fi
echo "release test took $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
