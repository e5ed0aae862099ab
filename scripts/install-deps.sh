#!/usr/bin/env bash
# Installs every Debian package that building, testing, fuzzing and benchmarking Kelmar needs.
# Idempotent and non-interactive: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libgl-dev libxkbcommon-x11-dev
  libsdl1.2-compat-dev libsndfile1-dev libebur128-dev
  librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  clang libclang-rt-dev
  xvfb xauth x11-utils fonts-liberation
  at-spi2-core python3-pyatspi dbus
  sox python3 gzip xz-utils imagemagick
  openmpt123
  desktop-file-utils appstream shared-mime-info libglib2.0-bin help2man
  debhelper dpkg-dev fakeroot lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
