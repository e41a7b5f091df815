#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses what was installed the way a chemist would:
# the program on the naphthalene example, the plot command on its report, the manual page.
# The installed program must write exactly what the program in the build tree writes.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/packscan-install-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install failed"; }
for f in bin/packscan bin/packscan-plot; do
  [ -x "$tmp/prefix/$f" ] || fail "$f is not installed as a program"
done
for f in share/man/man1/packscan.1 share/doc/packscan/input.md share/doc/packscan/report.md \
         share/doc/packscan/snapshots.md share/doc/packscan/examples/naphthalene/atp.dat; do
  [ -f "$tmp/prefix/$f" ] || fail "$f is not installed"
done

mkdir "$tmp/installed" "$tmp/built"
cp "$tmp/prefix/share/doc/packscan/examples/naphthalene/atp.dat" "$tmp/installed/"
cp "$src/examples/naphthalene/atp.dat" "$tmp/built/"
(cd "$tmp/installed" && "$tmp/prefix/bin/packscan") || fail "the installed packscan ended with status $?"
(cd "$tmp/built" && "$build/packscan") || fail "packscan in the build tree ended with status $?"
for f in qtVORNEL.dat coordN00.xyz coordN60.xyz coordN90.xyz coordN120.xyz coordN180.xyz; do
  [ -s "$tmp/installed/$f" ] || fail "the installed packscan did not write $f"
  cmp -s "$tmp/installed/$f" "$tmp/built/$f" || fail "$f differs from the build tree's run"
done
grep -q '^NATM3 = ' "$tmp/installed/qtVORNEL.dat" || fail "the report has no final tables"

(cd "$tmp/installed" && "$tmp/prefix/bin/packscan-plot" >/dev/null) || fail "the installed packscan-plot failed"
for f in qtVORNEL.png qtVORNEL.svg; do
  [ -s "$tmp/installed/$f" ] || fail "packscan-plot did not write $f"
done

# The manual page must format without warnings where groff is at hand.
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$tmp/prefix/share/man/man1/packscan.1" 2>&1)
  [ -z "$warnings" ] || fail "the manual page formats with warnings: $warnings"
fi
echo "check_install: installed into a temporary prefix and ran packscan and packscan-plot there"
