#!/usr/bin/env bash
# The program itself as real processes: while the running copy shows its start-up message box
# ("Where am I?": the machine settings name no install folder), a second start that reaches the
# same catalog through a symbolic link to the home folder and with another XDG_RUNTIME_DIR hands
# its command line over and ends, and the running copy keeps the catalog.
#   handover_program.sh PROGRAM
set -uo pipefail
program=$1
command -v flock >/dev/null || { echo "handover_program: flock is missing, skipped"; exit 77; }
work=$(mktemp -d)
first=""
cleanup() {
    [[ -n $first ]] && kill "$first" 2>/dev/null && wait "$first" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "handover_program: $*" >&2; exit 1; }

mkdir -p "$work/home/Documents/My Pictures/My Albums" "$work/run1" "$work/run2"
chmod 700 "$work/run1" "$work/run2"
ln -s "$work/home" "$work/linked"
: > "$work/machine.conf"
export LUMAVELL_MACHINE_SETTINGS=$work/machine.conf QT_QPA_PLATFORM=offscreen
lock="$work/home/Documents/My Pictures/My Albums/.lumavell2.lock"

HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run1 \
    "$program" >"$work/first.log" 2>&1 &
first=$!
# The running copy holds the catalog's lock from the start of its start-up.
for _ in $(seq 1 600); do
    [[ -e $lock ]] && ! flock -n "$lock" true && break
    kill -0 "$first" 2>/dev/null || fail "the first start ended: $(cat "$work/first.log")"
    sleep 0.1
done
! flock -n "$lock" true || fail "the first start does not hold the catalog"

HOME=$work/linked XDG_CONFIG_HOME=$work/linked/.config XDG_RUNTIME_DIR=$work/run2 \
    timeout 120 "$program" /OPENCOL "$work/linked/Documents/My Pictures/My Albums/Holiday.col" \
    >"$work/second.log" 2>&1
rc=$?
[[ $rc == 0 ]] || fail "the second start did not hand over (exit $rc): $(cat "$work/second.log")"
kill -0 "$first" 2>/dev/null || fail "the running copy ended: $(cat "$work/first.log")"
! flock -n "$lock" true || fail "the running copy no longer holds the catalog"
[[ -z $(ls -A "$work/run2") ]] || fail "the second start made a socket of its own: $(ls -A "$work/run2")"
echo "handover_program: the second start handed over to the copy showing its start-up message"
