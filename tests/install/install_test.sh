#!/usr/bin/env bash
# install_test.sh BUILD SOURCE: installs BUILD into a scratch prefix and checks it as the
# desktop sees it. A check whose tool is missing is skipped with a message.
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
share=$prefix/share
fail() { echo "FAIL: $*"; exit 1; }
have() { command -v "$1" >/dev/null || { echo "skipped: no $1"; false; }; }

cmake --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/bin/kelmar" ] && [ -x "$prefix/bin/kelmar-render" ] || fail "programs not installed"
[ ! -e "$prefix/bin/kelmar-make-starters" ] || fail "kelmar-make-starters is installed"
for kind in songs instruments; do
  diff -r "$source/$kind" "$share/kelmar/$kind" || fail "starter $kind differ"
done

if have desktop-file-validate; then
  out=$(desktop-file-validate "$share/applications/org.quorin.Kelmar.desktop" 2>&1) && [ -z "$out" ] || fail "$out"
fi
if have appstreamcli; then
  # validate-tree also checks the launchable against the installed desktop entry.
  out=$(appstreamcli validate-tree --no-net --strict "$prefix" 2>&1) || fail "$out"
fi

if have update-mime-database && have gio; then
  export XDG_DATA_HOME=$prefix/home XDG_DATA_DIRS=$share:/usr/share
  update-mime-database "$share/mime"
  type_of() { gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }
  cp "$source/instruments/bass/bass-pluck.kli" "$prefix/instrument"  # no extension: by magic
  printf 'SNG text of another program\n' >"$prefix/other.sng"
  [ "$(type_of "$source/songs/neon-run.sng")" = application/x-kelmar-song ] || fail "song type"
  [ "$(type_of "$prefix/instrument")" = application/x-kelmar-instrument ] || fail "instrument type"
  [ "$(type_of "$prefix/other.sng")" != application/x-kelmar-song ] || fail "another .sng is claimed"
fi

if have help2man; then
  for page in kelmar kelmar-render; do
    file=$share/man/man1/$page.1
    [ -s "$file" ] || fail "$page.1 not installed"
    ! grep -n '@[A-Z_]*@' "$file" || fail "$page.1 has unsubstituted names"
    if have groff; then
      out=$(groff -man -ww -z "$file" 2>&1) && [ -z "$out" ] || fail "$page.1: $out"
    fi
  done
fi
echo "install checks passed"
