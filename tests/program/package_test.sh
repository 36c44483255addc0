#!/usr/bin/env bash
# The .deb as a workstation gets it: CPack builds it from the build tree, its control data
# names Debian's packages, and unpacked into a scratch root (dpkg -x) it holds the program,
# its tools, the report definition, the SQL Server scripts, the desktop entry and the icons;
# each executable answers --help from there.
#   package_test.sh <build folder>
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack --config CPackConfig.cmake -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$scratch"/out/docuvane_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no .deb was made"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6gui6 libtiff6 libsane1 libsybdb5 libsqlite3-0; do
  echo "$depends" | grep -q "$package" || fail "Depends lacks $package: $depends"
done

root="$scratch/root"
dpkg -x "$deb" "$root"
for f in usr/bin/docuvane usr/bin/docuvane-image usr/share/docuvane/ScanReport.rpt \
         usr/share/docuvane/PatientAccess.rpt usr/share/docuvane/sql/03-history.sql \
         usr/share/applications/docuvane.desktop \
         usr/share/icons/hicolor/scalable/apps/docuvane.svg \
         usr/share/icons/hicolor/48x48/apps/docuvane.png \
         usr/share/icons/hicolor/256x256/apps/docuvane.png; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
ls "$root"/usr/share/docuvane/sql/*.sql >/dev/null 2>&1 || fail "no SQL Server scripts"
file "$root/usr/share/icons/hicolor/48x48/apps/docuvane.png" | grep -q "48 x 48" ||
  fail "the 48 px icon is not 48 x 48"

export QT_QPA_PLATFORM=offscreen
for exe in "$root"/usr/bin/*; do
  out=$("$exe" --help 2>&1) || fail "$(basename "$exe") --help exited with $?: $out"
  echo "$out" | grep -qi "usage" || fail "$(basename "$exe") --help printed no usage: $out"
  echo "$(basename "$exe") --help: ok"
done
echo "Package: $(basename "$deb") ok"
