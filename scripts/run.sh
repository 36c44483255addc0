#!/usr/bin/env bash
# Installs what is missing, builds, and starts Docuvane on the embedded demo database.
# The demo database and the demo storage folder are created by the program on first use.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
Docuvane is built, but there is no display to show its windows on.
Run it under a virtual display instead, for example:
    xvfb-run -a -s "-screen 0 1280x1024x24" ./scripts/run.sh
MSG
  exit 1
fi

exec ./build/bin/docuvane "$@"
