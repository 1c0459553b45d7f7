#!/usr/bin/env bash
# Runs the real pcilist.exe under Wine, with the stand-in WinRing0 driver
# answering from this machine's live PCI configuration space (or from a
# pciutils dump).
#
#   rig/run.sh [--dump FILE] [--screenshot FILE]
#
# With a display ($DISPLAY set) it opens the window there and waits until you
# close it. Without one it runs under a private Xvfb: it waits for the scan,
# prints the rows read from the live window, clicks the first row, saves a
# screenshot PNG (default build-rig/wine/run/pcilist.png) and closes the program.
# A scan under Wine takes about half a minute (131,072 driver requests).
set -u
source "$(dirname "$0")/rig_common.sh"

dump=""
screenshot=""
while (($#)); do
    case $1 in
    --dump) dump=$(realpath "$2") && shift 2 || exit 2 ;;
    --screenshot) screenshot=$(realpath -m "$2") && shift 2 || exit 2 ;;
    *) echo "usage: rig/run.sh [--dump FILE] [--screenshot FILE]" >&2; exit 2 ;;
    esac
done

rig_build_all || exit 1
rig_make_template || exit 1
run_dir=$rig_work/run
prefix=$run_dir/prefix
screenshot=${screenshot:-$run_dir/pcilist.png}
rig_log "preparing the prefix $prefix"
rig_new_prefix "$prefix" || exit 1
rig_fixture "$prefix" "$dump" || exit 1

xvfb_pid=""
launcher=""
finish() {
    [[ -n $launcher ]] && kill "$launcher" 2>/dev/null
    rig_stop_prefix "$prefix"
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
}
trap finish EXIT

if [[ -n ${DISPLAY:-} ]]; then
    rig_log "starting pcilist.exe on $DISPLAY; close its window to end"
    rig_start_program "$prefix" launcher
    wait "$launcher"
    launcher=""
    exit 0
fi

rig_start_xvfb xvfb_pid || exit 1
rig_log "starting pcilist.exe under Xvfb $DISPLAY; scanning"
rig_start_program "$prefix" launcher

# A message box (no driver, an unsupported system) is printed and answered.
rows=$(rig_inspect "$prefix" --timeout 300 rows)
status=$?
if ((status != 0)) && grep -q '^MESSAGE ' <<<"$rows"; then
    grep '^MESSAGE ' <<<"$rows"
    rig_inspect "$prefix" --timeout 10 message --press-ok >/dev/null
    rows=$(rig_inspect "$prefix" --timeout 300 rows)
    status=$?
fi
if ((status != 0)); then
    echo "$rows"
    rig_log "the program did not come up"
    exit 1
fi
echo "$rows"

# Show a detail view in the screenshot: a click on the first row.
first=$(rig_inspect "$prefix" --timeout 30 geometry | awk '$1 == "ROWRECT" && $2 == 1 && $3 == 0')
if [[ -n $first ]]; then
    read -r _ _ _ left top right bottom <<<"$first"
    xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
    sleep 1
    rig_inspect "$prefix" --timeout 30 details
fi
mkdir -p "$(dirname "$screenshot")"
import -window root "$screenshot" && rig_log "screenshot: $screenshot"
rig_inspect "$prefix" --timeout 60 close
rig_wait_pid "$launcher" 30 && launcher=""
