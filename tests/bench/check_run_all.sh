#!/usr/bin/env bash
# Three stand-in benchmarks: the first aborts (as one that needs a display does without one),
# the second checks that it runs headless, the third records that it ran. All three must run,
# each exit must be reported, and the runner must fail because one failed.
set -u
runner=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bench"
cat > "$work/bench/bench_a" <<'A'
#!/bin/sh
kill -ABRT $$
A
cat > "$work/bench/bench_b" <<B
#!/bin/sh
[ "\${QT_QPA_PLATFORM:-}" = offscreen ] && [ -z "\${DISPLAY:-}" ] || exit 3
echo "\$@" > "$work/b-ran"
B
cat > "$work/bench/bench_c" <<C
#!/bin/sh
echo ran > "$work/c-ran"
C
chmod +x "$work/bench/bench_a" "$work/bench/bench_b" "$work/bench/bench_c"

out=$(DISPLAY=:99 QT_QPA_PLATFORM=xcb "$runner" "$work/bench" --quick 2>&1)
code=$?
echo "$out"
fail=0
[[ $code -ne 0 ]] || { echo "FAIL: the runner succeeded although a benchmark aborted"; fail=1; }
[[ -f "$work/c-ran" ]] || { echo "FAIL: the benchmark after the failing one did not run"; fail=1; }
[[ "$(cat "$work/b-ran" 2>/dev/null)" == "--quick" ]] || { echo "FAIL: bench_b did not run headless with the arguments"; fail=1; }
grep -q 'bench_a: exit 134 (FAILED)' <<<"$out" || { echo "FAIL: the abort's exit is not reported"; fail=1; }
grep -q 'bench_b: exit 0' <<<"$out" || { echo "FAIL: bench_b's exit is not reported"; fail=1; }
grep -q 'bench_c: exit 0' <<<"$out" || { echo "FAIL: bench_c's exit is not reported"; fail=1; }
rm -rf "$work"
exit $fail
