#!/usr/bin/env bash
# Runs every benchmark program that the build made.
set -eu
build="${1:-build}"
status=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue  # not the build's *_autogen folders
  echo "== $(basename "$b")"
  "$b" || status=1
done

# kelmar-render itself on the starter songs: x real time (seconds of audio per second of
# processor time, user + system, one thread; wall-clock time is shown too, but on a busy
# machine it measures the other jobs) and the program's peak resident memory.
render="$build/src/tools/kelmar-render"
if [ -x "$render" ] && [ -x /usr/bin/time ] && [ -d songs ]; then
  echo "== kelmar-render (targets: 1000x real time or more, peak memory under 8 MB without --play)"
  tmp="$(mktemp -d)"
  for song in songs/*.sng; do
    /usr/bin/time -f "%e %U %S %M" -o "$tmp/time" "$render" "$song" -o "$tmp/out.wav" || status=1
    read -r elapsed user sys rss < "$tmp/time"
    bytes=$(stat -c %s "$tmp/out.wav")
    awk -v s="$(basename "$song")" -v b="$bytes" -v e="$elapsed" -v u="$user" -v y="$sys" -v r="$rss" 'BEGIN {
      cpu = u + y; if (cpu < 0.01) cpu = 0.01;
      audio = (b - 44) / 4 / 44100;
      printf "%-22s %6.1f s audio in %5.2f s of processor time (%5.2f s wall): %6.0fx real time, peak memory %5.1f MB\n",
             s, audio, cpu, e, audio / cpu, r / 1024 }'
  done
  rm -rf "$tmp"
fi
scripts/bench-peer.sh "$build" || status=1
scripts/bench-startup.sh "$build" || status=1
exit $status
