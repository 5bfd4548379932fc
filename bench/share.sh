#!/usr/bin/env bash
# Sharing an album: exports every JPEG of Debian's mate-backgrounds as a shared album package with
# "No, don't shrink the photos" and with "Make photos quarter of the original size", and does the
# same work with public tools (djpeg | cjpeg -quality 90 per photo, then zip -9), and prints the
# ratios; then times receiving the package. Each figure is the best of three runs, on a warm page
# cache. The public tools get the quarter size from djpeg's own scaling, which is faster than
# decoding the whole photo.
#
#   bench/share.sh [build folder]      (default: build-bench, configured in Release)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
photos=/usr/share/backgrounds/mate

need=()
[[ -d $photos ]] || need+=(mate-backgrounds)
command -v djpeg >/dev/null || need+=(libjpeg-turbo-progs)
command -v zip >/dev/null || need+=(zip)
if ((${#need[@]})); then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if [[ ! -x $build/bench/bench_share ]]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMAVELL_BENCH=ON >/dev/null
    cmake --build "$build" -j "$(nproc)" --target bench_share
fi

mapfile -d '' files < <(find "$photos" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 | sort -z)
echo "photos: ${#files[@]} JPEG files, $(du -cb "${files[@]}" | tail -1 | cut -f1) bytes, under $photos"
cat "${files[@]}" >/dev/null

results=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_share" "$photos")
ours_none=$(awk '/^package_none_seconds/ {print $2}' <<<"$results")
ours_quarter=$(awk '/^package_quarter_seconds/ {print $2}' <<<"$results")
receive=$(awk '/^receive_seconds/ {print $2}' <<<"$results")

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Public tools: every photo re-encoded at quality 90 (scale: djpeg's -scale), then zip -9.
tools() {
    local scale=$1 best="" t0 t1 i
    for _ in 1 2 3; do
        rm -rf "$out/w" "$out/a.zip"
        mkdir "$out/w"
        t0=$(date +%s.%N)
        i=0
        for f in "${files[@]}"; do
            i=$((i + 1))
            djpeg -scale "$scale" "$f" | cjpeg -quality 90 > "$out/w/Backgrounds $i.jpg"
        done
        (cd "$out/w" && zip -q -9 "$out/a.zip" ./*.jpg)
        t1=$(date +%s.%N)
        best=$(awk -v a="$t0" -v b="$t1" -v best="$best" 'BEGIN { t = b - a; if (best == "" || t < best) best = t; print best }')
    done
    echo "$best"
}
tools_none=$(tools 1/1)
tools_quarter=$(tools 1/4)

printf 'package, no shrinking:        %.3f s   public tools: %.3f s   ratio %.2f (target: at most 0.70)\n' \
    "$ours_none" "$tools_none" "$(awk -v a="$ours_none" -v b="$tools_none" 'BEGIN { print a / b }')"
printf 'package, quarter size:        %.3f s   public tools: %.3f s   ratio %.2f (target: at most 0.70)\n' \
    "$ours_quarter" "$tools_quarter" "$(awk -v a="$ours_quarter" -v b="$tools_quarter" 'BEGIN { print a / b }')"
printf 'receiving the package:        %.3f s   (target: under 2 s)\n' "$receive"
grep bytes <<<"$results"
