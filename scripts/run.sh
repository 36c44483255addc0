#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts Docuvane on the embedded demo database.
# The demo database and the demo storage folder are created by the program on first use.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake --preset default >/dev/null
# The program alone (with what it needs at run time): the tests and benchmarks are built by
# scripts/test.sh.
cmake --build --preset default --target docuvane

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
Docuvane is built, but there is no display to show its windows on.
Run it under a virtual display instead, for example:
    xvfb-run -a -s "-screen 0 1280x1024x24" ./scripts/run.sh
MSG
  exit 1
fi

# Without a scanner of its own the demo offers SANE's test scanner (scripts/sane-demo): a
# feeder of ten line-art pages, so a record can be filed at once. A machine with a scanner,
# or a SANE_CONFIG_DIR chosen by the user, keeps its own configuration.
if [ -z "${SANE_CONFIG_DIR:-}" ] && ! scanimage -L 2>/dev/null | grep -q "^device"; then
  export SANE_CONFIG_DIR="$PWD/scripts/sane-demo"
  export DOCUVANE_DEMO_SCANNER=1
  echo "No scanner found: the demo uses SANE's test scanner (feeder of 10 pages)." >&2
fi

exec ./build/bin/docuvane "$@"
