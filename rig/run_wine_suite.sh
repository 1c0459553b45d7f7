#!/usr/bin/env bash
# The Wine suite: the real pcilist.exe under Wine with the stand-in driver,
# driven through X input (xdotool) and read back by the inspector, compared
# line for line with what pcilist-sim prints for the same configuration space.
#
#   rig/run_wine_suite.sh [SCENARIO...]
#
# Scenarios: dump-<name> for each tests/fixtures/<name>.dump (holder-<name>:
# the same with a second program holding the device open), no-driver, win98,
# and, not in the default set, live and live-holder (this machine's sysfs).
# Default: every dump, the first one as holder-, no-driver and win98. Each
# runs in its own copy of the template prefix with its own Xvfb, under a
# time limit, at most two at once.
#
# Environment: PCILIST_SIM (default build/pcilist-sim), PCILIST_WIN_BUILD
# (the cross build, default build-rig), PCILIST_RIG_OUT (logs and
# screenshots, default <cross build>/wine-suite), PCILIST_RIG_JOBS (2),
# PCILIST_RIG_LIMIT (seconds per scenario, 420).
# Prints one PASS or FAIL line per check and "N passed, N failed" at the end.
set -u
source "$(dirname "$0")/rig_common.sh"

sim=${PCILIST_SIM:-$rig_repo/build/pcilist-sim}
out=${PCILIST_RIG_OUT:-$rig_build/wine-suite}
jobs=${PCILIST_RIG_JOBS:-2}
limit=${PCILIST_RIG_LIMIT:-420}
suite=$(realpath "$0")

# ---------------------------------------------------------------- checks

# Results go to $results, one "PASS name" or "FAIL name: why" line each.
pass() { echo "PASS $scenario: $1" >>"$results"; }
failed() { echo "FAIL $scenario: $1${2:+: $2}" >>"$results"; }
check() {  # check NAME COMMAND...
    local name=$1
    shift
    if "$@"; then pass "$name"; else failed "$name"; fi
}
# same NAME EXPECTED ACTUAL: two texts equal line for line.
same() {
    if [[ "$2" == "$3" ]]; then
        pass "$1"
    else
        failed "$1" "differs"
        diff <(echo "$2") <(echo "$3") | head -20 | sed 's/^/    /' >&2
    fi
}
has_line() { grep -qxF -- "$2" <<<"$1"; }  # has_line TEXT LINE
field() { grep -o "$2=[^ ]*" <<<"$1" | head -1 | cut -d= -f2; }  # field LINE NAME

# The inspector serves the whole scenario from one Wine process: a command
# per line in, its answer and "DONE <status>" out, through two FIFOs.
start_inspector() {
    mkfifo "$work/inspector.in" "$work/inspector.out"
    (WINEPREFIX=$prefix exec wine 'C:\pcilist-rig\inspector.exe' --timeout 400 serve \
        <"$work/inspector.in" >"$work/inspector.out" 2>>"$work/inspector.log") &
    inspector=$!
    exec {inspector_in}>"$work/inspector.in" {inspector_out}<"$work/inspector.out"
}
stop_inspector() {
    if [[ -n ${inspector:-} ]]; then
        { echo quit >&"$inspector_in"; } 2>/dev/null
        exec {inspector_in}>&- {inspector_out}<&-
        rig_wait_pid "$inspector" 10 || kill "$inspector" 2>/dev/null
        inspector=""
    fi
}
# inspect_read [LINE]: prints the answer up to "DONE <status>", or up to LINE.
inspect_read() {
    local line status=1 stop=${1:-}
    while IFS= read -r -t 420 line <&"$inspector_out"; do
        if [[ $line == "DONE "* ]]; then
            status=${line#DONE }
            break
        fi
        if [[ -n $stop && $line == "$stop" ]]; then
            status=0
            break
        fi
        printf '%s\n' "$line"
    done
    return "$status"
}
inspect() {  # inspect [--timeout SECONDS] COMMAND [OPTION]: prints the answer
    echo "$*" >&"$inspector_in" || return 1
    inspect_read
}
probe() { timeout 120 bash -c 'source "$0"; rig_probe "$@"' "$rig_repo/rig/rig_common.sh" "$prefix" "$@"; }

# Detail block N of pcilist-sim's output: the ROW 2 lines after the N-th
# (from 0) CLEAR 2, as the sim selects each row in turn.
sim_block() { awk -v want="$2" '/^CLEAR 2$/ { n++; next } /^ROW 2\t/ && n == want + 1' <<<"$1"; }

center_of() {  # center_of RECTLINE -> "x y" (fields: KIND LIST INDEX left top right bottom)
    awk '{ printf "%d %d", ($4 + $6) / 2, ($5 + $7) / 2 }' <<<"$1"
}
# After input, a moment for Wine to carry it from X to the program's queue.
settle() { sleep 0.5; }
click_at() { xdotool mousemove "$1" "$2" click "${3:-1}"; settle; }  # click_at X Y [BUTTON]
click_rect() {  # click_rect RECTLINE [BUTTON]: a click in the middle of the rectangle
    local x y
    read -r x y <<<"$(center_of "$1")"
    click_at "$x" "$y" "${2:-1}"
}

# ---------------------------------------------------------------- scenario setup

start_scenario() {  # start_scenario [DUMP]
    prefix=$work/prefix
    rig_new_prefix "$prefix" || { failed "prefix"; return 1; }
    rig_fixture "$prefix" "${1:-}" || { failed "fixture"; return 1; }
    rig_start_xvfb xvfb_pid || { failed "Xvfb"; return 1; }
    echo "$xvfb_pid" >"$work/xvfb.pid"
    # The program's folder for pcilist-sim: the same name file and a driver file.
    sim_folder=$work/sim-folder
    mkdir -p "$sim_folder"
    cp "$rig_repo/tools/pcinames.txt" "$sim_folder/"
    : >"$sim_folder/WinRing0x64.sys"
}

end_scenario() {
    stop_inspector
    [[ -n ${holder:-} ]] && kill "$holder" 2>/dev/null
    [[ -n ${launcher:-} ]] && kill "$launcher" 2>/dev/null
    rig_stop_prefix "$prefix"
    [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$prefix"
}

# A name file in the working folder that names every device "Decoy": the
# program must read the one beside it, not this one.
plant_decoy_names() {
    awk -F'\t' '/^ROW 1\t/ { key = $5 $6; gsub("h", "", key); print key " Decoy chip\tDecoy name" }' \
        <<<"$1" >"$prefix/drive_c/elsewhere/pcinames.txt"
}

# close_and_check_exit [HOW]: the close request as the inspector's SC_CLOSE
# (sc-close), a click on the title bar's close button (button), or Alt+F4
# (alt-f4); then the exit code and the end of the program.
close_and_check_exit() {
    local how=${1:-sc-close} closed
    if [[ $how == sc-close ]]; then
        closed=$(inspect --timeout 60 close)
    else
        local button
        button=$(inspect window-facts | grep '^CLOSEBUTTON ')
        echo "--timeout 60 wait-exit" >&"$inspector_in"
        inspect_read WAITING >/dev/null
        if [[ $how == button ]]; then
            local x y
            read -r _ x y _ <<<"$button"
            click_at "$x" "$y"
        else
            xdotool key alt+F4
        fi
        closed=$(inspect_read)
    fi
    same "exit code 0 after the close request ($how)" "EXIT 0" "$(grep '^EXIT' <<<"$closed")"
    # Wine's desktop stays while the inspector is on it.
    stop_inspector
    if rig_wait_pid "$launcher" 60; then
        pass "the program has ended"
        launcher=""
    else
        failed "the program has ended"
    fi
}

# ---------------------------------------------------------------- scenarios

# The whole run on one configuration space: rows, window facts, clicks and
# keys through X, details, screenshot, close, and the service afterwards.
scenario_full() {  # scenario_full DUMP-OR-EMPTY WITH-HOLDER
    local dump=$1 with_holder=$2
    start_scenario "$dump" || return
    local sim_out
    if [[ -n $dump ]]; then
        sim_out=$("$sim" --dump "$dump" --folder "$sim_folder")
    else
        sim_out=$("$sim" --folder "$sim_folder")
    fi
    local expected_rows
    expected_rows=$(grep $'^ROW 1\t' <<<"$sim_out")
    local row_count
    row_count=$(grep -c . <<<"$expected_rows")
    plant_decoy_names "$sim_out"

    if [[ $with_holder == yes ]]; then
        # Another program brings the driver up first and keeps its device open.
        (WINEPREFIX=$prefix exec wine 'C:\pcilist-rig\driver_probe.exe' install-hold 'C:\pcilist-rig\release' \
            >"$work/holder.log" 2>&1) &
        holder=$!
        local waited=0
        while [[ ! -f $prefix/drive_c/pcilist-rig/release.ready ]] && ((waited < 600)); do
            sleep 0.1
            waited=$((waited + 1))
        done
        check "a second program holds the device open" test -f "$prefix/drive_c/pcilist-rig/release.ready"
    fi

    local started=$SECONDS
    rig_start_program "$prefix" launcher
    start_inspector
    local rows
    rows=$(inspect --timeout 360 rows)
    echo "scan and fill took $((SECONDS - started)) s" >&2
    same "device rows equal pcilist-sim's ($row_count rows)" "$expected_rows" "$rows"

    # Window facts.
    local facts window
    facts=$(inspect --timeout 60 window-facts)
    window=$(grep '^WINDOW ' <<<"$facts")
    check "title \"PCI devices\"" grep -q $'^WINDOW title=PCI devices\t' <<<"$window"
    check "client area 760x535" test "$(field "$window" client)" = 760x535
    local size screen pos
    size=$(field "$window" size)
    screen=$(grep '^SCREEN ' <<<"$facts" | cut -d' ' -f2)
    pos=$(field "$window" pos)
    local ow=${size%x*} oh=${size#*x} sw=${screen%x*} sh=${screen#*x}
    local cx=$(((sw - (ow < sw ? ow : sw)) / 2)) cy=$(((sh - (oh < sh ? oh : sh)) / 2))
    check "centred on the ${screen} screen at $cx,$cy (outer $size), not at 100,200" test "$pos" = "$cx,$cy"
    local style=$(($(field "$window" style)))
    # WS_VISIBLE and WS_CLIPSIBLINGS come with every shown top-level window.
    check "style WS_CAPTION|WS_SYSMENU|WS_MINIMIZEBOX only (no maximise box, not resizable)" \
        test "$(printf '0x%X' $((style & ~0x14000000)))" = 0xCA0000
    check "hint text at 10,5 740x30" has_line "$facts" \
        $'TEXT 0 class=Static x=10 y=5 w=740 h=30 style=0x50000000\tDouble click on a device to view details.'
    local list1 list2
    list1=$(grep '^LIST 1 ' <<<"$facts")
    list2=$(grep '^LIST 2 ' <<<"$facts")
    check "device list at 10,20 740x262" grep -q 'x=10 y=20 w=740 h=262 ' <<<"$list1"
    check "detail list at 10,287 740x221" grep -q 'x=10 y=287 w=740 h=221 ' <<<"$list2"
    local l
    for l in "$list1" "$list2"; do
        local ls=$(($(field "$l" style))) lx=$(($(field "$l" lvexstyle))) le=$(($(field "$l" exstyle)))
        check "list ${l:5:1}: report view, single selection, no show-selection-always, tab stop, client edge" \
            test $((ls & 0x1F)) = 5 -a $((ls & 0x00010000)) != 0 -a $((le & 0x200)) != 0
        check "list ${l:5:1}: full-row select, double buffer, grid lines" test $((lx & 0x10021)) = $((0x10021))
    done
    local expected_columns
    expected_columns=$(printf 'COLUMN 1 %s\n' "0 Bus"$'\t'50 "1 Device"$'\t'50 "2 Funcion"$'\t'54 \
        "3 Company ID"$'\t'50 "4 Device ID"$'\t'60 "5 Revision"$'\t'70 "6 SubSystem"$'\t'80 \
        "7 Class"$'\t'60 "8 IRQ"$'\t'40 "9 Device Type"$'\t'200
        printf 'COLUMN 2 %s\n' "0 Element"$'\t'250 "1 Data"$'\t'460)
    same "ten and two column titles and widths" "$expected_columns" "$(grep '^COLUMN ' <<<"$facts")"
    check "header item counts 10 and 2" test "$(field "$list1" columns)/$(field "$list2" columns)" = 10/2
    check "no row selected at first, detail list empty" \
        test "$(field "$list1" selected)/$(field "$list2" selected)/$(field "$list2" rows)" = -1/-1/0

    # A click on a column header keeps the order and selects nothing.
    local geometry
    geometry=$(inspect --timeout 60 geometry)
    local header0 header2
    header0=$(grep '^HEADERRECT 1 0 ' <<<"$geometry")
    header2=$(grep '^HEADERRECT 1 2 ' <<<"$geometry")
    click_rect "$header2"
    click_rect "$header0"
    same "header clicks keep the rows in order" "$expected_rows" "$(inspect --timeout 60 rows)"
    check "header clicks select nothing and show no details" \
        test "$(inspect --timeout 60 selected | tr '\n' ' ')" = "SELECTED 1 -1 SELECTED 2 -1 "

    if ((row_count == 0)); then
        failed "rows to click" "none"
        return
    fi
    # The rows that lie fully inside the list's area can be clicked.
    local list_rect list_bottom visible
    list_rect=$(grep '^LISTRECT 1 ' <<<"$geometry")
    list_bottom=$(cut -d' ' -f6 <<<"$list_rect")
    visible=$(awk -v bottom="$list_bottom" '$1 == "ROWRECT" && $2 == 1 && $7 <= bottom' <<<"$geometry" | grep -c .)
    row_rect() { grep "^ROWRECT 1 $1 " <<<"$geometry"; }

    # Row 1 when there are rows below it, so Down and Up come back to it.
    local k=$((row_count >= 3 ? 1 : 0))
    click_rect "$(row_rect $k)"
    local details
    details=$(inspect --timeout 60 details)
    same "details after a click on row $k equal pcilist-sim's" "$(sim_block "$sim_out" $k)" "$details"
    check "the name file beside the program is used, not the one in the working folder" \
        test -n "$details" -a -z "$(grep Decoy <<<"$details")"

    local next=$((k + 1 < row_count ? k + 1 : k))
    xdotool key Down
    settle
    details=$(inspect --timeout 60 details)
    same "details after the Down arrow (row $next) equal pcilist-sim's" "$(sim_block "$sim_out" $next)" "$details"
    xdotool key Up
    settle
    same "details after the Up arrow (row $k) equal pcilist-sim's" "$(sim_block "$sim_out" $k)" \
        "$(inspect --timeout 60 details)"
    local shown
    shown=$(sim_block "$sim_out" $k)

    # Tab and Shift+Tab move the keyboard focus between the two lists.
    check "the clicked device list has the focus" grep -qx "FOCUS 1" <<<"$(inspect focus)"
    xdotool key Tab
    settle
    check "Tab moves the focus to the detail list" grep -qx "FOCUS 2" <<<"$(inspect focus)"
    xdotool key shift+Tab
    settle
    check "Shift+Tab moves it back to the device list" grep -qx "FOCUS 1" <<<"$(inspect focus)"

    # Clicks on the detail list change nothing.
    local detail_geometry detail_row
    detail_geometry=$(inspect --timeout 60 geometry)
    detail_row=$(grep '^ROWRECT 2 3 ' <<<"$detail_geometry")
    click_rect "$detail_row"
    click_rect "$detail_row" 3
    same "clicks on the detail list leave the details" "$shown" "$(inspect --timeout 60 details)"
    check "clicks on the detail list leave the device selection" \
        grep -qx "SELECTED 1 $k" <<<"$(inspect --timeout 60 selected)"

    # A click on the empty area below the last row takes the selection away
    # and leaves the details as they were.
    local last_bottom
    last_bottom=$(row_rect $((row_count - 1)) | cut -d' ' -f7)
    if [[ -n $last_bottom ]] && ((last_bottom + 8 < list_bottom)); then
        click_at $(($(cut -d' ' -f3 <<<"$list_rect") + 100)) $(((last_bottom + list_bottom) / 2))
        check "a click below the last row leaves no row selected" \
            grep -qx "SELECTED 1 -1" <<<"$(inspect --timeout 60 selected)"
        same "a click below the last row leaves the details" "$shown" "$(inspect --timeout 60 details)"
    fi

    # A double click and a right click show the details of their rows.
    local m=$((visible - 1))
    read -r x y <<<"$(center_of "$(row_rect 0)")"
    xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
    settle
    same "details after a double click on row 0 equal pcilist-sim's" "$(sim_block "$sim_out" 0)" \
        "$(inspect --timeout 60 details)"
    click_rect "$(row_rect $m)" 3
    same "details after a right click on row $m equal pcilist-sim's" "$(sim_block "$sim_out" $m)" \
        "$(inspect --timeout 60 details)"
    check "the right click selected row $m" grep -qx "SELECTED 1 $m" <<<"$(inspect --timeout 60 selected)"

    local shot=$out/screenshot-$scenario.png
    import -window root "$shot"
    check "screenshot with rows and a detail view saved ($shot)" \
        test "$(identify -format '%w %h' "$shot" 2>/dev/null)" = "1024 768" -a \
        "$(convert "$shot" -format '%k' info: 2>/dev/null || echo 0)" -gt 8

    # The holder's run closes through the title bar's button, the others by SC_CLOSE.
    if [[ $with_holder == yes ]]; then close_and_check_exit button; else close_and_check_exit; fi
    local service
    service=$(probe service)
    if [[ $with_holder == yes ]]; then
        check "with a second program holding the device, the service stays" \
            grep -q '^SERVICE present state=4' <<<"$service"
        : >"$prefix/drive_c/pcilist-rig/release"
        rig_wait_pid "$holder" 30 && holder=""
        check "the holder counted 1 handle, its own, before the program" grep -q 'HOLD count=1' "$work/holder.log"
        probe remove >/dev/null
    else
        check "the service WinRing0_1_2_0 is gone after the run" test "$service" = "SERVICE absent"
    fi
}

# The program's folder holds no driver file.
scenario_no_driver() {
    local dump=$rig_repo/tests/fixtures/edge-cases.dump
    start_scenario "$dump" || return
    rm -f "$prefix/drive_c/pcilist/WinRing0x64.sys" "$sim_folder/WinRing0x64.sys"
    local sim_out
    sim_out=$("$sim" --dump "$dump" --folder "$sim_folder")
    local started=$SECONDS
    WINEDEBUG=-all,trace+service rig_start_program "$prefix" launcher
    start_inspector
    local message
    message=$(inspect --timeout 120 message --press-ok)
    echo "message after $((SECONDS - started)) s" >&2
    local expected_message=$'MESSAGE RoVuvi - Error\tAn  error  occured  when  opening  the  driver  WinRing0x64.sys .\\nThe  program  will  not  run  properly.'
    same "message box \"RoVuvi - Error\" naming WinRing0x64.sys" "$expected_message" "$(grep '^MESSAGE ' <<<"$message")"
    same "the message equals pcilist-sim's" "$(grep '^MESSAGE ' <<<"$sim_out")" "$(grep '^MESSAGE ' <<<"$message")"
    check "the message box is modal to the main window, with an OK button" \
        grep -q '^MESSAGEBOX owner=main mainenabled=0 ok=1' <<<"$message"
    same "empty device list" "" "$(inspect --timeout 120 rows)"
    check "empty lists" grep -q 'rows=0 .*rows=0' <<<"$(inspect --timeout 60 window-facts | grep '^LIST ' | tr '\n' ' ')"
    close_and_check_exit alt-f4
    local creates starts
    creates=$(grep -c ':trace:service:CreateServiceW [0-9A-Fa-f]* L"WinRing0_1_2_0"' "$work/program.log")
    starts=$(grep -c ':trace:service:StartServiceW ' "$work/program.log")
    check "17 installation attempts (CreateServiceW $creates, StartServiceW $starts)" \
        test "$creates" = 17
    check "the service from the last attempt is still registered" \
        grep -q '^SERVICE present' <<<"$(probe service)"
}

# Wine reports Windows 98 to pcilist.exe.
scenario_win98() {
    start_scenario "$rig_repo/tests/fixtures/edge-cases.dump" || return
    rig_wine "$prefix" reg add 'HKCU\Software\Wine\AppDefaults\pcilist.exe' /v Version /d win98 /f \
        >/dev/null 2>&1
    WINEDEBUG=-all,trace+service rig_start_program "$prefix" launcher
    start_inspector
    local message
    message=$(inspect --timeout 120 message --press-ok)
    same "message box \"Unsupported OS\"" $'MESSAGE Unsupported OS\tYour OS is not supported.' \
        "$(grep '^MESSAGE ' <<<"$message")"
    same "empty device list" "" "$(inspect --timeout 120 rows)"
    check "empty lists" grep -q 'rows=0 .*rows=0' <<<"$(inspect --timeout 60 window-facts | grep '^LIST ' | tr '\n' ' ')"
    close_and_check_exit
    check "no service-manager call by the program" \
        test "$(grep -c ':trace:service:OpenSCManagerW (null) (null) 0xf000f' "$work/program.log")" = 0
    check "no service registered" test "$(probe service)" = "SERVICE absent"
}

run_scenario() {  # run_scenario NAME, inside its own process
    scenario=$1
    work=$out/$scenario
    results=$work/results
    rm -rf "$work"
    mkdir -p "$work"
    : >"$results"
    prefix=$work/prefix
    xvfb_pid=""
    launcher=""
    holder=""
    inspector=""
    trap end_scenario EXIT
    case $scenario in
    dump-*) scenario_full "$rig_repo/tests/fixtures/${scenario#dump-}.dump" no ;;
    holder-*) scenario_full "$rig_repo/tests/fixtures/${scenario#holder-}.dump" yes ;;
    live) scenario_full "" no ;;
    live-holder) scenario_full "" yes ;;
    no-driver) scenario_no_driver ;;
    win98) scenario_win98 ;;
    *) failed "unknown scenario" ;;
    esac
}

if [[ ${1:-} == --scenario ]]; then
    run_scenario "$2" 2>>"$out/$2.log"
    echo "scenario took $SECONDS s" >>"$out/$2.log"
    exit 0
fi

# ---------------------------------------------------------------- the suite

start=$SECONDS
scenarios=("$@")
if ((${#scenarios[@]} == 0)); then
    # Every dump once; the first one with a second program holding the
    # device. The two short scenarios run beside the long ones.
    scenarios=(no-driver)
    for dump in "$rig_repo"/tests/fixtures/*.dump; do
        if ((${#scenarios[@]} == 1)); then
            scenarios+=("holder-$(basename "$dump" .dump)")
        else
            scenarios+=("dump-$(basename "$dump" .dump)")
        fi
    done
    scenarios+=(win98)
fi
[[ -x $sim ]] || { echo "pcilist-sim not found at $sim (set PCILIST_SIM)"; echo "0 passed, 1 failed"; exit 1; }
rig_build_all || { echo "0 passed, 1 failed"; exit 1; }
rig_make_template || { echo "0 passed, 1 failed"; exit 1; }
mkdir -p "$out"
rm -f "$out"/*.log "$out"/screenshot-*.png

# The fixture converter first: what the stand-in driver answers comes from it.
mkdir -p "$out/converter"
if python3 "$rig_repo/rig/test_make_fixture.py" >"$out/converter.log" 2>&1; then
    echo "PASS converter: fixture files from dumps and sysfs" >"$out/converter/results"
else
    echo "FAIL converter: fixture files from dumps and sysfs (see $out/converter.log)" >"$out/converter/results"
fi
cat "$out/converter/results"

running=0
for name in "${scenarios[@]}"; do
    while ((running >= jobs)); do
        wait -n
        running=$((running - 1))
    done
    echo "== $name"
    (
        timeout -k 20 "$limit" "$suite" --scenario "$name" ||
            echo "FAIL $name: did not finish within $limit s" >>"$out/$name/results"
        # Whatever a scenario left behind when it was stopped.
        WINEPREFIX=$out/$name/prefix wineserver -k 2>/dev/null
        [[ -f $out/$name/xvfb.pid ]] && kill "$(cat "$out/$name/xvfb.pid")" 2>/dev/null
        rm -rf "$out/$name/prefix"
        cat "$out/$name/results"
    ) &
    running=$((running + 1))
done
wait

passed=0
failures=0
for name in converter "${scenarios[@]}"; do
    if [[ ! -s $out/$name/results ]]; then
        echo "FAIL $name: no result"
        failures=$((failures + 1))
        continue
    fi
    passed=$((passed + $(grep -c '^PASS ' "$out/$name/results")))
    failures=$((failures + $(grep -c '^FAIL ' "$out/$name/results")))
done
echo "Wine suite: ${#scenarios[@]} scenarios in $((SECONDS - start)) s; logs and screenshots in $out"
echo "$passed passed, $failures failed"
((failures == 0))
