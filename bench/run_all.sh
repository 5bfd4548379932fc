#!/usr/bin/env bash
# Runs every benchmark program bench_* of a folder, one after the other, headless (offscreen
# platform, no display needed), each to its end whatever the ones before it did, and reports each
# one's exit. Exits non-zero when any benchmark failed.
#
#   bench/run_all.sh <folder with bench_* programs> [arguments for every benchmark]
set -uo pipefail

dir=${1:?usage: run_all.sh <folder> [arguments]}
shift
status=0
results=()
for b in "$dir"/bench_*; do
    [[ -f "$b" && -x "$b" ]] || continue
    name=$(basename "$b")
    echo "== $name"
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$b" "$@" </dev/null
    code=$?
    if ((code == 0)); then
        results+=("$name: exit 0")
    else
        results+=("$name: exit $code (FAILED)")
        status=1
    fi
done
echo "== benchmark exits"
((${#results[@]})) && printf '   %s\n' "${results[@]}"
exit $status
