#!/usr/bin/env bash
# Runs every libFuzzer binary of a fuzzing build for SECONDS each, starting from a copy of
# its seed corpus (fuzz/corpus/<target>/), and reports the executions each one ran and their
# rate against the goal of 10,000 a second (3 x 10^7 an hour).
# Inputs are at most 4 KiB, libFuzzer's own default for seeds this small; a larger seed (a
# whole journal) is read cut to that, while the replay tests still read it whole.
# Usage: scripts/fuzz.sh BUILD SECONDS
set -eu
build="${1:-build-fuzz}"
seconds="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$build/fuzz-run"
status=0
found=0
for bin in "$build"/fuzz/fuzz_*; do
  [ -x "$bin" ] && [ -f "$bin" ] || continue
  found=1
  name="$(basename "$bin")"
  corpus="$work/$name/corpus"
  artifacts="$work/$name/artifacts/"
  rm -rf "$work/$name"
  mkdir -p "$corpus" "$artifacts"
  if [ -d "$root/fuzz/corpus/$name" ]; then cp -r "$root/fuzz/corpus/$name/." "$corpus/"; fi
  log="$work/$name/log.txt"
  echo "== $name: ${seconds}s"
  start="$(date +%s.%N)"
  if "$bin" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" >"$log" 2>&1; then
    result="no crash"
  else
    result="FAILED (see $log and $artifacts)"
    status=1
  fi
  end="$(date +%s.%N)"
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)"
  rate="$(awk -v r="${runs:-0}" -v s="$start" -v e="$end" 'BEGIN {
    n = sprintf("%d", e > s ? r / (e - s) : 0)
    while (n ~ /[0-9][0-9][0-9][0-9]/) sub(/[0-9][0-9][0-9]($|,)/, ",&", n)
    print n }')"
  echo "   ${runs:-?} executions, $rate inputs/s (goal >= 10,000/s), $result"
done
if [ "$found" -eq 0 ]; then
  echo "no fuzz binaries in $build/fuzz (configure with -DKELMAR_FUZZ=ON and CXX=clang++)" >&2
  exit 1
fi
exit $status
