#!/usr/bin/env bash
# Pictures of the four pages, the Scopes window and the Instrument Browser for the README, taken under a virtual display:
# docs/screenshots/*.png.
set -eu
build="${1:-build}"
out="docs/screenshots"
song="songs/morning-circuit.sng"  # the pages show a real song
cmake --build "$build" --target kelmar_screenshots >/dev/null
mkdir -p "$out"
# The virtual display needs no sound: the window is made without opening the audio device.
if [ -n "${DISPLAY:-}" ]; then
  "$build/src/tools/kelmar_screenshots" "$out" "$song"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/src/tools/kelmar_screenshots" "$out" "$song"
fi
