#!/usr/bin/env bash
# Lumavell2 build driver.
#   ./build.sh run                 install missing packages, build, start the program
#   ./build.sh test [--sanitize]   install, build, run every test (CTest); non-zero on failure
#   ./build.sh fuzz [SECONDS]      build the libFuzzer targets with clang and run each for SECONDS (default 20)
#   ./build.sh bench               build and run the benchmarks
#   ./build.sh build [--sanitize]  install and build only
#   ./build.sh package             install, build, and make the Debian package build/lumavell2_<version>_<arch>.deb
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"
jobs=$(nproc 2>/dev/null || echo 2)

install_packages() {
    local missing=() p
    while read -r p; do
        [[ -z "$p" || "$p" == \#* ]] && continue
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done < "$here/packages.txt"
    ((${#missing[@]} == 0)) && return 0
    echo "build.sh: installing ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        if command -v sudo >/dev/null; then
            sudo=(sudo)
        else
            echo "build.sh: these packages are missing and this user cannot install them: ${missing[*]}" >&2
            echo "build.sh: run the same command as root once, or install them with apt-get." >&2
            exit 1
        fi
    fi
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

configure_and_build() {   # $1 = build dir, rest = extra cmake args
    local dir=$1; shift
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

cmd=${1:-}
shift || true
case "$cmd" in
    run)
        install_packages
        configure_and_build build
        if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
            echo "build.sh: no desktop display found; starting the program under a virtual X server (xvfb-run)."
            exec xvfb-run -a -s "-screen 0 1280x1024x24" "$here/build/bin/lumavell2" "$@"
        fi
        exec "$here/build/bin/lumavell2" "$@"
        ;;
    build)
        install_packages
        if [[ "${1:-}" == "--sanitize" ]]; then
            configure_and_build build-asan -DLUMAVELL_SANITIZE=ON
        else
            configure_and_build build
        fi
        ;;
    test)
        install_packages
        dir=build
        args=()
        if [[ "${1:-}" == "--sanitize" ]]; then
            dir=build-asan
            args=(-DLUMAVELL_SANITIZE=ON)
            export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
            export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
        fi
        configure_and_build "$dir" "${args[@]}"
        ctest --test-dir "$dir" --output-on-failure -j "$jobs"
        ;;
    package)
        install_packages
        configure_and_build build
        rm -f build/lumavell2_*.deb
        (cd build && cpack -G DEB)
        ls build/lumavell2_*.deb
        ;;
    fuzz)
        install_packages
        seconds=${1:-20}
        CC=clang CXX=clang++ cmake -S "$here" -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DLUMAVELL_FUZZ=ON >/dev/null
        cmake --build build-fuzz -j "$jobs" --target fuzz_all
        mkdir -p "$here/fuzz/findings"
        export LSAN_OPTIONS="suppressions=$here/fuzz/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
        status=0
        for target in build-fuzz/fuzz/fuzz_*; do
            [[ -x "$target" ]] || continue
            name=$(basename "$target")
            corpus="$here/fuzz/corpus/${name#fuzz_}"
            work=$(mktemp -d)
            echo "== $name: ${seconds}s from $corpus"
            if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
                    -artifact_prefix="$here/fuzz/findings/$name-" "$work" "$corpus" \
                    > "$work.log" 2>&1; then
                tail -n 60 "$work.log"
                echo "== $name FAILED (crash input in fuzz/findings/)"
                status=1
            else
                grep -E '^Done|#[0-9]+.*DONE' "$work.log" | tail -n 1 || true
            fi
            rm -rf "$work" "$work.log"
        done
        exit $status
        ;;
    bench)
        install_packages
        configure_and_build build-bench -DCMAKE_BUILD_TYPE=Release -DLUMAVELL_BENCH=ON
        # Every benchmark runs headless to the end; each one's exit is reported.
        exec "$here/bench/run_all.sh" build-bench/bench "$@"
        ;;
    *)
        sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
