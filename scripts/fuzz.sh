#!/usr/bin/env bash
# Runs every libFuzzer binary of a fuzzing build for SECONDS each, starting from a copy of
# its seed corpus (fuzz/corpus/<target>/), and reports the executions each one ran.
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
  if "$bin" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" >"$log" 2>&1; then
    result="no crash"
  else
    result="FAILED (see $log and $artifacts)"
    status=1
  fi
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)"
  echo "   ${runs:-?} executions, $result"
done
if [ "$found" -eq 0 ]; then
  echo "no fuzz binaries in $build/fuzz (configure with -DKELMAR_FUZZ=ON and CXX=clang++)" >&2
  exit 1
fi
exit $status
