#!/usr/bin/env bash
# Opening an album in the real program, as a user starts it: "lumavell2 /OPENCOL <album>" with a
# private HOME in /tmp (made once per size by bench_album --make-catalog and kept for later runs),
# the photos spread over 300 JPEG files. For each album size and each case it prints the seconds
# until the program settles (the last moment it used the processor before a quiet second), its
# peak memory (VmHWM) and the bytes it wrote (/proc/<pid>/io), then stops it (the close is not
# measured). Cases: "cached" (every thumbnail in the cache), "archived" (every thumbnail packed
# into thumbnails.dat, "Compress thumbnails" on), "uncached" (none, saveThumbs 1: nothing saved)
# and "uncached-save" (none, saveThumbs 2: the thumbnails are made and saved).
# Where gThumb is installed, it browses the 10,000-photo folder too.
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
    printf '%-7s %-13s settle %6.2f s  peak %5d MB  written %8.2f MB (write calls %8.2f MB)  load %s\n' \
        "$n" "$kind" "$settle" "$peak" "$written" "$wchar" "$(cut -d' ' -f1-3 /proc/loadavg)"
}

for n in "${sizes[@]}"; do
    for kind in ${CASES:-cached archived uncached uncached-save}; do
        ((n > 10000)) && [[ $kind == uncached* ]] && continue  # decoding 100,000 photos is not the point
        for ((k = 0; k < ${REPEAT:-1}; ++k)); do run_case "$n" "$kind"; done
    done
done

if command -v gthumb >/dev/null; then
    folder=/tmp/lumavell-open-10000/cached/home/Documents/photos
    [[ -d $folder ]] && printf 'gThumb browsing %s: %s\n' "$folder" "$(measure gthumb "$folder")"
fi
