#!/usr/bin/env bash
# Builds dist/kelmar_<version>_<arch>.deb with dpkg-buildpackage in a copy of the source tree
# (so that neither the repository nor its parent folder collects build files), then runs
# lintian on it when lintian is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}

version=$(sed -n 's/^project(Kelmar VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
packaged=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
if [ "$version" != "$packaged" ]; then
  echo "make-deb: debian/changelog says $packaged, CMakeLists.txt says $version" >&2
  exit 1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
tree=$stage/kelmar-$version
mkdir "$tree"
tar -C "$root" --anchored --exclude=./.git --exclude='./build*' --exclude=./dist --exclude='./fuzz/corpus-*' \
    -cf - . | tar -C "$tree" -xf -
(cd "$tree" && dpkg-buildpackage -b -us -uc -j"$jobs")

deb=kelmar_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
mkdir -p "$root/dist"
cp "$stage/$deb" "$root/dist/"
echo "make-deb: dist/$deb"
if command -v lintian >/dev/null; then
  echo "make-deb: lintian -I dist/$deb"
  lintian -I "$root/dist/$deb" || true
fi
