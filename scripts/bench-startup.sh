#!/usr/bin/env bash
# Start to window shown: the whole program, started again and again on one virtual display,
# each run reporting its stages (KELMAR_LAUNCHED_NS; see src/app/startup_probe.h) and quitting
# once its window is on the screen. Prints the median of each stage over the runs and the
# slowest run. A fresh home, so no keys file, library or recovery journal of the user's counts.
# Usage: bench-startup.sh [BUILD] [RUNS]
set -eu
build="${1:-build}"
runs="${2:-15}"
kelmar="$build/src/app/kelmar"
if [ ! -x "$kelmar" ] || ! command -v xvfb-run >/dev/null; then
  echo "start to window shown: skipped ($kelmar or xvfb-run is missing)"
  exit 0
fi
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
# One run per line: "stage ms stage ms ...".
lines="$(HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for i in $(seq 1 "$2"); do
    KELMAR_LAUNCHED_NS=$(date +%s%N) "$1" 2>&1 >/dev/null | awk "/^kelmar: /{printf \"%s %s \", \$2, \$3} END{print \"\"}"
  done' - "$kelmar" "$runs")"
echo "$lines" | awk -v runs="$runs" '
  function median(list, n,   sorted, i, j, t) {
    for (i = 1; i <= n; ++i) sorted[i] = list[i]
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && sorted[j - 1] > sorted[j]; --j) {
      t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
    return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
  }
  NF >= 2 {
    ++n
    for (f = 1; f < NF; f += 2) { if (n == 1) order[++stages] = $f; at[$f, n] = $(f + 1) }
    if ($(NF) > slowest) slowest = $(NF)
  }
  END {
    if (n == 0) { print "start to window shown: no run reported (is the display usable?)"; exit 1 }
    printf "start to window shown, %d runs (goal: at most 300 ms)\n", n
    last = 0
    for (s = 1; s <= stages; ++s) {
      for (i = 1; i <= n; ++i) list[i] = at[order[s], i]
      m = median(list, n)
      printf "  %-8s %7.1f ms  (+%.1f)\n", order[s], m, m - last
      last = m
    }
    printf "  slowest run: %.1f ms\n", slowest
  }'
