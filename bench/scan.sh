#!/usr/bin/env bash
# Scanning speed: one 300 dpi colour page of SANE's test device (the colour pattern over the whole
# 200 x 200 mm bed, 2362 x 2362 pixels) acquired through our TWAIN source manager and the engine
# into a DIB, against scanimage scanning the same page to a PNM file. Both use a private SANE
# configuration folder whose dll.conf names only the test backend. Each figure is the best of
# eleven runs; the ratio is ours / scanimage (target: at most 1.2).
#
#   bench/scan.sh [build folder]      (default: build-bench, configured in Release)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
runs=11

if ! command -v scanimage >/dev/null; then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends sane-utils
fi

if [[ ! -x $build/bench/bench_scan ]]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMAVELL_BENCH=ON >/dev/null
    cmake --build "$build" -j "$(nproc)" --target bench_scan lumavell2_sanedsm
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sane" "$work/config"
echo test >"$work/sane/dll.conf"
# The test device's page: the colour pattern.
sed 's/^test-picture .*/test-picture "Color pattern"/' /etc/sane.d/test.conf >"$work/sane/test.conf"
export SANE_CONFIG_DIR=$work/sane XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen

read -r ours w h < <("$build/bench/bench_scan" "$build/bin/liblumavell2-sanedsm.so" "$runs" "$work/ours.ppm" 2>/dev/null)

best=""
for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    scanimage -d test:0 --mode Color --resolution 300 -l 0 -t 0 -x 200 -y 200 --format=pnm -o "$work/page.pnm"
    end=$(date +%s%N)
    ms=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) / 1e6 }')
    if [[ -z $best ]] || awk -v m="$ms" -v b="$best" 'BEGIN { exit !(m < b) }'; then best=$ms; fi
done
size=$(head -c 64 "$work/page.pnm" | grep -a -v "^#" | sed -n 2p | tr " " x)

# The same pixels both ways (the PNM's comment line aside).
if cmp -s <(tail -c $((w * h * 3)) "$work/ours.ppm") <(tail -c $((w * h * 3)) "$work/page.pnm"); then
    same="identical pixels"
else
    same="PIXELS DIFFER"
fi
echo "page: 300 dpi colour, ours ${w} x ${h}, scanimage ${size}: ${same}"
: ", ours ${w} x ${h}, scanimage ${size}"
echo "ours (source manager + engine, into a DIB): ${ours} ms"
echo "scanimage (to a PNM file):                  ${best} ms"
awk -v a="$ours" -v b="$best" 'BEGIN { printf "ratio: %.2f (target at most 1.2)\n", a / b }'
