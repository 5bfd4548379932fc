#!/usr/bin/env bash
# Uncached thumbnails: files every JPEG of Debian's mate-backgrounds into an album of a temporary
# catalog and times one RefreshList with no thumbnail files yet (saveThumbs 2: the thumbnails are
# made and saved), then vipsthumbnail making the same 100 x 80 thumbnails, and prints the ratio.
# Both run on a warm page cache; each figure is the best of three runs.
#
#   bench/thumbnails.sh [build folder]      (default: build-bench, configured in Release)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
photos=/usr/share/backgrounds/mate

need=()
[[ -d $photos ]] || need+=(mate-backgrounds)
command -v vipsthumbnail >/dev/null || need+=(libvips-tools)
if ((${#need[@]})); then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if [[ ! -x $build/bench/bench_album ]]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMAVELL_BENCH=ON >/dev/null
    cmake --build "$build" -j "$(nproc)" --target bench_album
fi

mapfile -d '' files < <(find "$photos" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 | sort -z)
echo "photos: ${#files[@]} JPEG files, $(du -cb "${files[@]}" | tail -1 | cut -f1) bytes, under $photos"
cat "${files[@]}" >/dev/null  # warm the page cache for both

ours=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_album" --uncached "$photos" |
       awk '/^uncached_refresh_seconds/ {print $2}')

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
best=""
for _ in 1 2 3; do
    rm -f "$out"/*
    t0=$(date +%s.%N)
    vipsthumbnail --size '100x80!' -o "$out/%s.jpg" "${files[@]}"
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
        'BEGIN { t = b - a; if (best == "" || t < best) best = t; print best }')
done

printf 'RefreshList (uncached, saveThumbs 2): %.3f s\n' "$ours"
printf 'vipsthumbnail --size 100x80!:          %.3f s\n' "$best"
printf 'ratio: %.2f (target: at most 0.60)\n' "$(awk -v a="$ours" -v b="$best" 'BEGIN { print a / b }')"
