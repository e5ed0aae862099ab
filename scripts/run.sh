#!/usr/bin/env bash
# Starts the tracker from the repository root, so that its file dialogs open in songs/ and instruments/.
set -eu
build="${1:-build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display here (DISPLAY and WAYLAND_DISPLAY are unset), so the Kelmar window cannot open."
  echo "Run it on a desktop, or under a virtual display: xvfb-run -a $build/src/app/kelmar"
  exit 0
fi
exec "$build/src/app/kelmar"
