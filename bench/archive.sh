#!/usr/bin/env bash
# The thumbnail archive ("Compress thumbnails" on) at 10,000 and 100,000 thumbnails: the first
# pack, a start (the archive opened where it lies), opening the album from it, a close with
# nothing new, with 1% new thumbnails (they wait) and with 10% (the archive is rewritten), and
# the old way of starting (every file unpacked),
# each with its seconds and the bytes it wrote. Runs on a linked copy of the cached catalogs of
# bench/album_open.sh (made first when missing), so those stay as they are.
#
#   bench/archive.sh [build folder] [sizes...]     (default: build-bench; 10000 100000)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
shift || true
sizes=("$@")
((${#sizes[@]})) || sizes=(10000 100000)
maker=$build/bench/bench_album
[[ -x $maker ]] || { echo "archive.sh: build $maker first (Release, LUMAVELL_BENCH=ON)" >&2; exit 1; }

for n in "${sizes[@]}"; do
    cached=/tmp/lumavell-open-$n/cached
    if [[ ! -f $cached/album-path ]]; then
        rm -rf "$cached"
        mkdir -p "$cached/home/Documents"
        "$maker" --make-catalog "$cached/home/Documents" "$n" 300 cached > "$cached/album-path"
    fi
    copy=/tmp/lumavell-archive-$n
    rm -rf "$copy"
    cp -al "$cached" "$copy"
    echo "== $n thumbnails (load $(cut -d' ' -f1-3 /proc/loadavg))"
    QT_QPA_PLATFORM=offscreen "$maker" --archive "$copy/home/Documents"
    rm -rf "$copy"
done
