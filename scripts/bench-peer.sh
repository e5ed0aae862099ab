#!/usr/bin/env bash
# The renderer against a peer: Kelmar on a busy 200 s, 8-voice song and openmpt123 with
# --filter 1 (no interpolation) on an 8-channel module of the same length, each writing a
# 16-bit 44.1 kHz WAV, timed in turn in one run so that all see the same machine. Kelmar is
# timed twice: bench/peer_render (the engine and the window's WAV export, nothing else: the
# renderer's figure) and kelmar-render (the whole command-line program, with its libraries'
# start-up and its writer thread). Each figure is seconds of audio per second of processor
# time (user + system, the median of the rounds); the songs come from bench/make_peer_songs.
# Usage: bench-peer.sh [BUILD] [ROUNDS]
set -eu
build="${1:-build}"
rounds="${2:-7}"
render="$build/src/tools/kelmar-render"
songs="$build/bench/make_peer_songs"
engine="$build/bench/peer_render"
if [ ! -x "$render" ] || [ ! -x "$songs" ] || [ ! -x "$engine" ]; then
  echo "render vs openmpt123: skipped ($render, $songs or $engine is not built)"
  exit 0
fi
if ! command -v python3 >/dev/null; then
  echo "render vs openmpt123: skipped (python3, which times the runs, is not installed)"
  exit 0
fi
peer="$(command -v openmpt123 || true)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$songs" "$tmp"

python3 - "$render" "$engine" "$peer" "$tmp" "$rounds" <<'PY'
import os, statistics, subprocess, sys, wave

render, engine, peer, tmp, rounds = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
program = [render, f"{tmp}/busy.sng", "-o", f"{tmp}/program.wav", "--max-seconds", "200"]
kelmar = [engine, f"{tmp}/busy.sng", "200", f"{tmp}/kelmar.wav"]
# 16-bit samples without dither, as Kelmar writes them (dither would only add to the peer's work).
other = [peer, "--batch", "-q", "--filter", "1", "--samplerate", "44100", "--no-float", "--dither", "0",
         "-o", f"{tmp}/peer.wav", "--force", f"{tmp}/busy8.mod"]

def cpu_seconds(cmd):
    """Runs cmd; its processor time (user + system) in seconds."""
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"render vs openmpt123: {cmd[0]} failed (status {status})")
    return usage.ru_utime + usage.ru_stime

def audio_seconds(path):
    with wave.open(path) as w:
        return w.getnframes() / w.getframerate()

times = {"kelmar": [], "program": [], "peer": []}
for _ in range(rounds):
    times["kelmar"].append(cpu_seconds(kelmar))
    times["program"].append(cpu_seconds(program))
    if peer:
        times["peer"].append(cpu_seconds(other))

def x_real_time(name, path):
    return audio_seconds(path) / max(statistics.median(times[name]), 1e-6)

k = x_real_time("kelmar", f"{tmp}/kelmar.wav")
w = x_real_time("program", f"{tmp}/program.wav")
if not peer:
    print(f"render: Kelmar {k:,.0f} x real time (kelmar-render {w:,.0f} x); openmpt123 skipped "
          "(not installed: scripts/install-deps.sh installs it)")
    sys.exit(0)
p = x_real_time("peer", f"{tmp}/peer.wav")
print(f"render: Kelmar {k:,.0f} x real time, openmpt123 --filter 1 {p:,.0f} x: {k / p:.2f}x (goal >= 2x)"
      f" [median of {rounds} interleaved rounds]")
print(f"render: kelmar-render, the whole program, {w:,.0f} x real time: {w / p:.2f}x openmpt123 --filter 1")
PY
