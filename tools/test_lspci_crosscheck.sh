#!/usr/bin/env bash
# Cross-checks the program's device rows against lspci, for this machine's
# live bus and for every fixture dump.
#
#   test_lspci_crosscheck.sh --sim PCILIST_SIM    rows from the native runner
#   test_lspci_crosscheck.sh --rows-command CMD   rows from CMD [--dump FILE]
#                                                 (the Wine rig passes its own)
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
case ${1:-} in
--sim) rows_command=("$2") ;;
--rows-command) read -r -a rows_command <<<"$2" ;;
*) echo "usage: $0 --sim PCILIST_SIM | --rows-command CMD"; exit 2 ;;
esac

passed=0
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
check() {  # check <name> [--dump FILE]
    local name=$1
    shift
    if ! "${rows_command[@]}" "$@" >"$work/rows.txt" 2>"$work/err.txt"; then
        echo "FAIL $name: no rows ($(tail -1 "$work/err.txt"))"
        failed=$((failed + 1))
    elif python3 "$here/lspci_crosscheck.py" --rows "$work/rows.txt" "$@" >"$work/check.txt"; then
        echo "PASS $name: $(tail -1 "$work/check.txt")"
        passed=$((passed + 1))
    else
        echo "FAIL $name:"
        cat "$work/check.txt"
        failed=$((failed + 1))
    fi
}

check "live bus"
for dump in "$root"/tests/fixtures/*.dump; do
    check "$(basename "$dump")" --dump "$dump"
done
echo "$passed passed, $failed failed"
((failed == 0))
