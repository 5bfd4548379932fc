#!/usr/bin/env bash
# Opening a ".xal" package from the desktop: installs the build into a scratch prefix (which the
# install step registers with the MIME and desktop databases), checks through GIO that the
# package type and its handler are seen with that prefix's data folder, then opens a package with
# "gio open" and waits until the started program has received it as a new album.
# Only GIO is asked: xdg-mime's answers depend on which desktop runs and on optional helper
# programs (without a desktop it asks "file", which knows no ".xal"), GIO reads the databases
# the install step wrote. Waiting is on file events ("gio monitor"), never on a clock.
#   desktop_handler.sh BUILD_DIR PACKAGE_FILE
set -uo pipefail
build=$1
package_source=$2
for tool in gio update-mime-database update-desktop-database; do
    command -v "$tool" >/dev/null || { echo "desktop_handler: $tool is missing, skipped"; exit 77; }
done
work=$(mktemp -d)
monitor=""
# The started program runs from the prefix; it is found through /proc (no procps needed).
program_pids() {
    local d exe
    for d in /proc/[0-9]*; do
        exe=$(readlink "$d/exe" 2>/dev/null) || continue
        [[ $exe == "$prefix/bin/lumavell2" ]] && echo "${d#/proc/}"
    done
}
cleanup() {
    local p
    for p in $(program_pids); do kill "$p" 2>/dev/null; done
    [[ -n $monitor ]] && kill "$monitor" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "desktop_handler: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install failed"; }
mkdir -p "$work/home/run" && chmod 700 "$work/home/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
       XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/home/run \
       XDG_DATA_DIRS=$prefix/share:/usr/share QT_QPA_PLATFORM=offscreen
# The prefix's bin folder is deliberately not on PATH: the handler must still be found.
export PATH=/usr/bin:/bin

# The package: the seed's leading mode byte dropped.
tail -c +2 "$package_source" > "$work/home/Trip.xal"

type=$(gio info -a standard::content-type "$work/home/Trip.xal" | sed -n 's/.*standard::content-type: //p')
[[ $type == application/x-lumavell2-album ]] || fail "gio sees the package as '$type'"
gio mime application/x-lumavell2-album > "$work/gio.txt" 2>&1
grep -q 'lumavell2' "$work/gio.txt" || fail "gio lists no handler: $(cat "$work/gio.txt")"
handler=$(sed -n 's/^Default application for .*: //p' "$work/gio.txt")
[[ $handler == lumavell2*.desktop ]] || fail "the default handler is '$handler': $(cat "$work/gio.txt")"
grep -h '^Exec=' "$prefix/share/applications/"*.desktop | grep -qv "^Exec=$prefix/bin/lumavell2" &&
    fail "a desktop entry does not name the installed program: $(grep -h '^Exec=' "$prefix/share/applications/"*.desktop)"

# Watch the album folder before opening, and make sure the watch is live: it reports a file made
# for the purpose. Then every event in the folder is a moment to look for the new album.
albums="$work/home/Documents/My Pictures/My Albums"
mkdir -p "$albums"
coproc WATCH { exec gio monitor -d "$albums"; }
monitor=$WATCH_PID
exec {events}<&"${WATCH[0]}"
# The watch starts a moment after the monitor does: the file is touched again until it is seen
# (the wait between touches only paces the retries; nothing depends on its length).
watched=""
until [[ -n $watched ]]; do
    touch "$albums/.watched"
    while read -r -t 1 line <&$events; do
        [[ $line == *.watched* ]] && { watched=yes; break; }
    done
    kill -0 "$monitor" 2>/dev/null || fail "gio monitor ended"
done
rm -f "$albums/.watched"

gio open "$work/home/Trip.xal" || fail "gio open failed"
# Should the album never come, the test's CTest timeout ends the wait.
while [[ ! -f "$albums/Trip.col" ]]; do
    read -r line <&$events || break
done
[[ -f "$albums/Trip.col" ]] || fail "the package was not received (program: $(program_pids))"
[[ -f "$work/home/Documents/My Pictures/Trip/Trip 1.jpg" ]] || fail "the photo was not unpacked"
[[ ! -e "$work/home/x" && ! -e "$work/home/Documents/x" ]] || fail "an entry was written outside its folder"
echo "desktop_handler: gio open received the package through $handler"
