#!/usr/bin/env bash
# Runs every benchmark program that the build made.
set -eu
build="${1:-build}"
status=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done
exit $status
