#!/usr/bin/env bash
# Builds both trees and runs every suite: native unit tests, Windows tests
# under Wine, whole-program tests under Wine, and the release (make dist-test). Ends with one line
# "N passed, N failed" over all suites; exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/deps.sh" || { echo "0 passed, 1 failed"; exit 1; }
"$root/scripts/build.sh" || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

total_pass=0
total_fail=0
logdir=$root/build/test-logs
mkdir -p "$logdir"

# run_suite NAME CTEST-ARGS...: runs ctest, adds its counts to the totals.
run_suite() {
  local name=$1; shift
  local log=$logdir/$name.log
  ctest "$@" >"$log" 2>&1
  local rc=$?
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  local failed=0 all=0
  if [ -n "$line" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    all=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  fi
  if [ "$all" -eq 0 ] || { [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; }; then
    # No test ran, or ctest itself failed: count the suite as one failure.
    failed=$((failed + 1)); all=$((all + 1))
  fi
  local passed=$((all - failed))
  grep -E '^\s*[0-9]+/[0-9]+ Test' "$log" | grep -v ' Passed ' || true
  [ "$failed" -gt 0 ] && grep -E -A40 'The following tests FAILED|\*\*\*Failed|Exception' "$log" | head -n 80
  echo "$name: $passed passed, $failed failed"
  total_pass=$((total_pass + passed))
  total_fail=$((total_fail + failed))
}

run_suite native --test-dir build/native --output-on-failure -j2

# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
# The capture only grows while a run goes on; each run starts it empty, so
# that the tests' reads stay short.
[ -n "${BRISOLT_CAPTURE:-}" ] && : > "$BRISOLT_CAPTURE"
run_suite windows --test-dir build/win64 --output-on-failure -L win --timeout 120
run_suite whole-program --test-dir build/win64 --output-on-failure -L e2e --timeout 120
brisolt_wine_stop

# The release: make dist, and its zip and installer under Wine.
dist_line=$("$root/scripts/dist_test.sh" 2>&1 | tee "$logdir/dist-run.log" | tail -n 1)
grep -E '^FAILED|Failure|Expected|Which is' "$logdir/dist-run.log" | head -n 40
echo "$dist_line"
if [[ $dist_line =~ ^dist:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
  total_pass=$((total_pass + BASH_REMATCH[1]))
  total_fail=$((total_fail + BASH_REMATCH[2]))
else
  total_fail=$((total_fail + 1))
fi

echo "$total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ]
