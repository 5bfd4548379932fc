#!/usr/bin/env bash
# Opening an album in the real program, as a user starts it: "lumavell2 /OPENCOL <album>" with a
# private HOME in /tmp (made once per size by bench_album --make-catalog and kept for later runs),
# the photos spread over 300 JPEG files. For each album size and each case it prints the seconds
# until the program settles (the last moment it used the processor before a quiet second), its
# peak memory (VmHWM) and the bytes it wrote (/proc/<pid>/io), then stops it (the close is not
# measured). Cases: "cached" (every thumbnail in the cache), "archived" (every thumbnail packed
# into thumbnails.dat, "Compress thumbnails" on), "uncached" (none, saveThumbs 1: nothing saved)
# and "uncached-save" (none, saveThumbs 2: the thumbnails are made and saved).
# Where gThumb is installed and an X server is given (PEER_DISPLAY=:99), it browses a folder of the
# same 10,000 photos too, uncached and cached, and the ratios are printed.
#
#   bench/album_open.sh [build folder] [sizes...]     (default: build-bench; 1000 10000)
#   CASES="cached" REPEAT=5 bench/album_open.sh ...    (only these cases, each run five times)
#   A11Y=:99 bench/album_open.sh ...                    (on the X server :99 with the accessibility
#                                                        bridge on, in a private D-Bus session)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
shift || true
sizes=("$@")
((${#sizes[@]})) || sizes=(1000 10000)
program=$build/bin/lumavell2
maker=$build/bench/bench_album
[[ -x $program && -x $maker ]] || {
    echo "album_open.sh: build $program and $maker first (Release, LUMAVELL_BENCH=ON)" >&2
    exit 1
}

# Runs the command given, prints "settle_s peak_MB written_MB wchar_MB".
measure() {
    python3 - "$@" <<'PY'
import os, subprocess, sys, time
tick = os.sysconf('SC_CLK_TCK')
start = time.monotonic()
p = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
def cpu():
    with open(f'/proc/{p.pid}/stat') as f:
        fields = f.read().rsplit(')', 1)[1].split()
    return int(fields[11]) + int(fields[12])
last, last_change = -1, start
peak = written = wchar = 0
while p.poll() is None:
    try:
        c = cpu()
        with open(f'/proc/{p.pid}/status') as f:
            for line in f:
                if line.startswith('VmHWM:'): peak = int(line.split()[1])
        with open(f'/proc/{p.pid}/io') as f:
            io = dict(l.split(':') for l in f.read().splitlines())
        written, wchar = int(io['write_bytes']), int(io['wchar'])
    except (OSError, ValueError):
        break
    now = time.monotonic()
    if c != last:
        last, last_change = c, now
    elif now - last_change > 1.5 and now - start > 2:
        break
    time.sleep(0.01)
p.kill(); p.wait()
print(f'{last_change - start:.2f} {peak / 1024:.0f} {written / 1e6:.2f} {wchar / 1e6:.2f}')
PY
}

declare -A ours  # settle seconds by "size case", for the ratios to gThumb

run_case() {  # size case
    local n=$1 kind=$2 work=/tmp/lumavell-open-$1
    local cached=""
    [[ $kind == cached ]] && cached=cached
    local data=$work/$kind
    if [[ $kind == archived && ! -f $data/album-path ]]; then
        # The cached catalog, linked (not copied), with its cache packed away.
        run_case "$n" cached > /dev/null
        rm -rf "$data"
        cp -al "$work/cached" "$data"
        rm -f "$data/album-path"
        "$maker" --pack "$data/home/Documents" || { echo "album_open.sh: packing failed" >&2; exit 1; }
        sed "s|^$work/cached/|$data/|" "$work/cached/album-path" > "$data/album-path"
    fi
    if [[ ! -f $data/album-path ]]; then
        rm -rf "$data"
        mkdir -p "$data/home/Documents"
        "$maker" --make-catalog "$data/home/Documents" "$n" 300 $cached > "$data/album-path"
    fi
    local album
    album=$(cat "$data/album-path")
    local root
    root=$(dirname "$album")
    local save=1
    [[ $kind == uncached-save ]] && save=2
    mkdir -p "$data/home/.config/Corvane" "$data/home/run"
    chmod 700 "$data/home/run"
    # Not the first start: no first-use questions on the way.
    local compress=0
    [[ $kind == archived ]] && compress=1 && save=2
    printf '[Images]\nsaveThumbs=%s\ncompressThumbs=%s\nfirstTime_openAlbumb=true\ntimesRun=5\n' "$save" "$compress" \
        > "$data/home/.config/Corvane/Lumavell2.conf"
    [[ $kind == cached || $kind == archived ]] || rm -rf "$root/Thumbnails"
    sync
    cat "$root"/*.mlb "$root"/*.col > /dev/null
    [[ $kind == cached ]] && find "$root/Thumbnails" -type f -print0 | xargs -0 cat > /dev/null
    [[ $kind == archived ]] && cat "$root/thumbnails.dat" > /dev/null
    local result
    local how=(env QT_QPA_PLATFORM=offscreen)
    [[ -n ${A11Y:-} ]] && how=(dbus-run-session -- env DISPLAY="$A11Y" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
    # With A11Y the session's accessibility is switched on first (as a screen reader does), so the
    # program's bridge registers and exports its widgets.
    local enable=":"
    [[ -n ${A11Y:-} ]] && enable="dbus-send --session --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true"
    result=$(HOME=$data/home XDG_CONFIG_HOME=$data/home/.config XDG_DATA_HOME=$data/home/.local/share \
             XDG_CACHE_HOME=$data/home/.cache XDG_RUNTIME_DIR=$data/home/run "${how[@]}" \
             bash -c "$(declare -f measure); $enable; measure \"\$@\"" _ "$program" /OPENCOL "$album" 2>/dev/null | tail -1)
    read -r settle peak written wchar <<<"$result"
    ours["$n $kind"]=$settle
    printf '%-7s %-13s settle %6.2f s  peak %5d MB  written %8.2f MB (write calls %8.2f MB)  load %s\n' \
        "$n" "$kind" "$settle" "$peak" "$written" "$wchar" "$(cut -d' ' -f1-3 /proc/loadavg)"
}

for n in "${sizes[@]}"; do
    for kind in ${CASES:-cached archived uncached uncached-save}; do
        ((n > 10000)) && [[ $kind == uncached* ]] && continue  # decoding 100,000 photos is not the point
        for ((k = 0; k < ${REPEAT:-1}; ++k)); do run_case "$n" "$kind"; done
    done
done

# gThumb browsing the same 10,000 photos on an X server (PEER_DISPLAY, or A11Y's): first with an
# empty thumbnail cache, then again with the thumbnails it made, each against our uncached and
# cached opens of the same rows.
peer_display=${PEER_DISPLAY:-${A11Y:-}}
folder=/tmp/lumavell-open-10000/cached/home/Documents/photos10000
if command -v gthumb >/dev/null && [[ -n $peer_display && -n ${ours[10000 cached]:-} ]]; then
    if [[ ! -d $folder ]]; then
        # 10,000 names for the 300 photos (links), as the album rows have.
        mkdir -p "$folder"
        for ((i = 0; i < 10000; ++i)); do ln -f "$(dirname "$folder")/photos/photo$((i % 300)).jpg" "$folder/p$i.jpg"; done
    fi
    peer_home=$(mktemp -d)
    for kind in uncached cached; do
        sync
        result=$(HOME=$peer_home XDG_CACHE_HOME=$peer_home/.cache XDG_CONFIG_HOME=$peer_home/.config \
                 DISPLAY=$peer_display dbus-run-session -- bash -c "$(declare -f measure); measure gthumb \"\$1\"" _ "$folder" 2>/dev/null | tail -1)
        read -r settle peak written wchar <<<"$result"
        ourkind=$kind
        [[ $kind == uncached ]] && ourkind=uncached-save
        printf 'gThumb  %-13s settle %6.2f s  peak %5d MB  written %8.2f MB  load %s   Lumavell2/gThumb: %s\n' \
            "$kind" "$settle" "$peak" "$written" "$(cut -d' ' -f1-3 /proc/loadavg)" \
            "$(python3 -c "import sys; a, b = map(float, sys.argv[1:]); print(f'{a / b:.3f}' if b else '-')" "${ours[10000 $ourkind]:-0}" "$settle")"
    done
    rm -rf "$peer_home"
fi
