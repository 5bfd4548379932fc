#!/usr/bin/env bash
# Opening a ".xal" package from the desktop: installs the build into a scratch prefix (which the
# install step registers with the MIME and desktop databases), checks that GIO and xdg-mime see
# the package type and its handler with that prefix's data folder, then opens a package with
# "gio open" and waits until the started program has received it as a new album.
#   desktop_handler.sh BUILD_DIR PACKAGE_FILE
set -uo pipefail
build=$1
package_source=$2
for tool in gio xdg-mime update-mime-database update-desktop-database; do
    command -v "$tool" >/dev/null || { echo "desktop_handler: $tool is missing, skipped"; exit 77; }
done
work=$(mktemp -d)
pid=""
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null
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
[[ $(xdg-mime query filetype "$work/home/Trip.xal") == application/x-lumavell2-album ]] || fail "xdg-mime filetype"
gio mime application/x-lumavell2-album > "$work/gio.txt" 2>&1
grep -q 'lumavell2' "$work/gio.txt" || fail "gio lists no handler: $(cat "$work/gio.txt")"
handler=$(xdg-mime query default application/x-lumavell2-album)
[[ $handler == lumavell2*.desktop ]] || fail "xdg-mime default handler is '$handler'"
grep -h '^Exec=' "$prefix/share/applications/"*.desktop | grep -qv "^Exec=$prefix/bin/lumavell2" &&
    fail "a desktop entry does not name the installed program: $(grep -h '^Exec=' "$prefix/share/applications/"*.desktop)"

gio open "$work/home/Trip.xal" || fail "gio open failed"
albums="$work/home/Documents/My Pictures/My Albums"
for _ in $(seq 1 100); do
    [[ -f "$albums/Trip.col" ]] && break
    sleep 0.1
done
pid=$(pgrep -f "$prefix/bin/lumavell2" | head -1)
[[ -f "$albums/Trip.col" ]] || fail "the package was not received (program: ${pid:-not running})"
[[ -f "$work/home/Documents/My Pictures/Trip/Trip 1.jpg" ]] || fail "the photo was not unpacked"
[[ ! -e "$work/home/x" && ! -e "$work/home/Documents/x" ]] || fail "an entry was written outside its folder"
echo "desktop_handler: gio open received the package through $handler"
