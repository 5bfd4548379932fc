#!/usr/bin/env bash
# Phone and camera photo thumbnails against the best command-line routes, in the same run:
#   HEIC: a folder of HEIC files made with heif-enc from Debian's mate-backgrounds JPEGs, once
#         without and once with a 320-pixel thumbnail in the file (as phones save them);
#         compared with heif-thumbnailer -s 100 on each file.
#   DNG:  the same pictures as DNG files (raw mosaic data and the full JPEG as embedded preview);
#         compared with LibRaw's "simple_dcraw -e" (preview extraction; this LibRaw's dcraw_emu
#         has no -e) plus "djpeg -scale 1/8" (the fastest scale of that preview) on each file.
# Ours: imaging::LoadPicture at thumbnail size and the 100 x 80 stretch, file after file on one
# core. Every figure is the best of three runs on a warm page cache. Prints the ratios.
#
#   bench/photos.sh [build folder] [number of photos]   (defaults: build-bench, 6)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$here/build-bench}")
count=${2:-6}
backgrounds=/usr/share/backgrounds/mate

need=()
[[ -d $backgrounds ]] || need+=(mate-backgrounds)
command -v heif-enc >/dev/null || need+=(libheif-examples)
command -v heif-thumbnailer >/dev/null || need+=(heif-thumbnailer)
command -v simple_dcraw >/dev/null || need+=(libraw-bin)
command -v djpeg >/dev/null || need+=(libjpeg-turbo-progs)
if ((${#need[@]})); then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if [[ ! -x $build/bench/bench_photos ]]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMAVELL_BENCH=ON >/dev/null
    cmake --build "$build" -j "$(nproc)" --target bench_photos
fi
tool=$build/bench/bench_photos

# The test photos are made once and kept in the build folder (HEVC encoding is slow).
photos=$build/bench-photos
mkdir -p "$photos/heic" "$photos/heic-thumb" "$photos/dng"
mapfile -t jpegs < <(find "$backgrounds" -type f -iname '*.jpg' -size -1400k | sort | head -n "$count")
for jpeg in "${jpegs[@]}"; do
    name=$(basename "${jpeg%.*}")
    [[ -s $photos/heic/$name.heic ]] || heif-enc -q 60 -o "$photos/heic/$name.heic" "$jpeg" >/dev/null
    [[ -s $photos/heic-thumb/$name.heic ]] ||
        heif-enc -q 60 -t 320 -o "$photos/heic-thumb/$name.heic" "$jpeg" >/dev/null
    [[ -s $photos/dng/$name.dng ]] || "$tool" dng "$jpeg" "$photos/dng/$name.dng"
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Best of three runs of a command over every file of a folder; $1 is a function taking a file.
best_of_three() {
    local fn=$1 folder=$2 best="" t0 t1 f
    for _ in 1 2 3; do
        rm -f "$out"/*
        t0=$(date +%s.%N)
        for f in "$folder"/*; do "$fn" "$f"; done
        t1=$(date +%s.%N)
        best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
            'BEGIN { t = b - a; if (best == "" || t < best) best = t; print best }')
    done
    echo "$best"
}
heif_peer() { heif-thumbnailer -s 100 "$1" "$out/$(basename "$1").png"; }
dng_peer() {
    ln -sf "$1" "$out/x.dng"  # the preview is written beside the name given
    simple_dcraw -e "$out/x.dng" >/dev/null
    djpeg -scale 1/8 -bmp "$out/x.dng.thumb.jpg" >"$out/x.bmp"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
report() {  # label folder peer target
    local folder=$2
    cat "$folder"/* >/dev/null
    local ours peer
    ours=$(QT_QPA_PLATFORM=offscreen "$tool" thumbs "$folder"/* | awk '/^seconds/ {print $2}')
    peer=$(best_of_three "$3" "$folder")
    printf '%-28s ours %.3f s, peer %.3f s, ratio %s (target: at most %s)\n' \
        "$1 ($(ls "$folder" | wc -l) files)" "$ours" "$peer" "$(ratio "$ours" "$peer")" "$4"
}

echo "photos: ${#jpegs[@]} mate-backgrounds JPEGs as HEIC and DNG, in $photos"
report "HEIC, no thumbnail" "$photos/heic" heif_peer 1.0
report "HEIC, 320 px thumbnail" "$photos/heic-thumb" heif_peer 1.0
report "DNG, embedded preview" "$photos/dng" dng_peer 0.5
uptime
