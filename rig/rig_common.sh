# Shared by rig/run.sh and rig/run_wine_suite.sh: the cross build, the
# template Wine prefix, one prefix per run with the program, the stand-in
# driver and the fixture in place, a private Xvfb, and the inspector.
#
# Layout inside a prefix:
#   C:\pcilist\          pcilist.exe, WinRing0x64.sys, pcinames.txt (the program's folder)
#   C:\pcilist-rig\      config.bin (the fixture the driver reads), inspector.exe,
#                        driver_probe.exe and a WinRing0x64.sys of its own
#   C:\elsewhere\        the working folder the program is started from
# shellcheck shell=bash

rig_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rig_build=${PCILIST_WIN_BUILD:-$rig_repo/build-rig}
rig_work=${PCILIST_RIG_WORK:-$rig_build/wine}
rig_template=$rig_work/template
rig_desktop=pcilist
rig_screen=1024x768

export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}
unset WINEARCH

rig_log() { echo "rig: $*" >&2; }

# Configures (once) and builds the program and the rig's own Windows programs.
rig_build_all() {
    if [[ ! -f $rig_build/build.ninja ]]; then
        cmake -S "$rig_repo" -B "$rig_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$rig_repo/cmake/mingw-w64-x86_64.cmake" >/dev/null || return 1
    fi
    cmake --build "$rig_build" -j2 --target pcilist wine_rig >/dev/null || {
        rig_log "cross build failed in $rig_build"
        return 1
    }
    local file
    for file in pcilist.exe WinRing0x64.sys inspector.exe driver_probe.exe; do
        [[ -f $rig_build/$file ]] || { rig_log "missing $rig_build/$file"; return 1; }
    done
}

# The template prefix, made once: a prefix is usable only after wineboot has
# finished and its wineserver has ended (else the service manager answers
# 1055, database locked, for a while).
rig_make_template() {
    mkdir -p "$rig_work"
    local stamp
    stamp="wine=$(wine --version 2>/dev/null) fonts=$(ls /usr/share/wine/fonts 2>/dev/null | wc -l)"
    (
        flock 9
        if [[ -f $rig_template/.pcilist-rig-template && $(cat "$rig_template/.pcilist-rig-template") == "$stamp" ]]; then
            exit 0
        fi
        rig_log "making the template Wine prefix (once)"
        rm -rf "$rig_template"
        WINEPREFIX=$rig_template timeout 300 wineboot -i >/dev/null 2>&1
        WINEPREFIX=$rig_template timeout 120 wineserver -w
        [[ -f $rig_template/system.reg ]] || { rig_log "wineboot failed"; exit 1; }
        # Debian's Wine does not find its own fonts (fonts-wine) where they
        # lie; in the prefix's font folder it does. Without them the caption
        # buttons (Marlett) and the dialog font (Tahoma) are drawn wrongly.
        cp /usr/share/wine/fonts/*.ttf "$rig_template/drive_c/windows/Fonts/" 2>/dev/null
        echo "$stamp" >"$rig_template/.pcilist-rig-template"
    ) 9>"$rig_work/.template.lock"
}

# rig_new_prefix DIR: a copy of the template with the program and the rig in place.
rig_new_prefix() {
    local prefix=$1
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$rig_template" "$prefix" || return 1
    local c=$prefix/drive_c
    mkdir -p "$c/pcilist" "$c/pcilist-rig" "$c/elsewhere"
    cp "$rig_build/pcilist.exe" "$rig_build/WinRing0x64.sys" "$rig_repo/tools/pcinames.txt" "$c/pcilist/"
    cp "$rig_build/inspector.exe" "$rig_build/driver_probe.exe" "$rig_build/WinRing0x64.sys" "$c/pcilist-rig/"
}

# rig_fixture PREFIX [DUMP]: the configuration space the driver answers from,
# from a pciutils dump or, without one, from this machine's live sysfs.
rig_fixture() {
    local prefix=$1 dump=${2:-}
    local out=$prefix/drive_c/pcilist-rig/config.bin
    if [[ -n $dump ]]; then
        python3 "$rig_repo/rig/make_fixture.py" --dump "$dump" -o "$out" >/dev/null
    else
        python3 "$rig_repo/rig/make_fixture.py" --sysfs -o "$out" >/dev/null
    fi
}

# rig_start_xvfb VAR: starts a private Xvfb on a free display; sets DISPLAY,
# and VAR to its process id.
rig_start_xvfb() {
    local -n pid_var=$1
    local fifo
    fifo=$(mktemp -u /tmp/pcilist-rig-xvfb.XXXXXX)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${rig_screen}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    # shellcheck disable=SC2034  # a name reference: sets the caller's variable
    pid_var=$!
    local number=""
    read -r -t 20 number <"$fifo"
    rm -f "$fifo"
    [[ -n $number ]] || { rig_log "Xvfb did not start"; return 1; }
    export DISPLAY=:$number
}

# rig_wine PREFIX ARGS...: runs a Windows command line in the prefix.
rig_wine() {
    local prefix=$1
    shift
    WINEPREFIX=$prefix wine "$@"
}

# rig_start_program PREFIX VAR: starts pcilist.exe in the Wine desktop, from
# the working folder C:\elsewhere; sets VAR to the launcher's process id.
rig_start_program() {
    local prefix=$1
    local -n launcher_var=$2
    (cd "$prefix/drive_c/elsewhere" &&
        exec env WINEPREFIX="$prefix" wine explorer "/desktop=$rig_desktop,$rig_screen" 'C:\pcilist\pcilist.exe' \
            >"$prefix/../program.log" 2>&1) &
    # shellcheck disable=SC2034  # a name reference: sets the caller's variable
    launcher_var=$!
}

# rig_inspect PREFIX ARGS...: the inspector in the program's desktop.
rig_inspect() {
    local prefix=$1
    shift
    WINEPREFIX=$prefix wine 'C:\pcilist-rig\inspector.exe' "$@" 2>/dev/null
}

rig_probe() {
    local prefix=$1
    shift
    WINEPREFIX=$prefix wine 'C:\pcilist-rig\driver_probe.exe' "$@" 2>/dev/null | tr -d '\r'
}

# rig_wait_pid PID SECONDS: waits for a process of ours to end; false on the time limit.
rig_wait_pid() {
    local pid=$1 limit=$2 waited=0
    while kill -0 "$pid" 2>/dev/null; do
        ((waited >= limit * 10)) && return 1
        sleep 0.1
        waited=$((waited + 1))
    done
    wait "$pid" 2>/dev/null
    return 0
}

# rig_stop_prefix PREFIX: ends every Wine process of the prefix.
rig_stop_prefix() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null
    WINEPREFIX=$1 timeout 30 wineserver -w 2>/dev/null
}
