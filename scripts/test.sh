#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite headless:
# the unit and widget tests, then the imaging engine's fuzz targets for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
export CUPS_SERVER=/nonexistent/cups.sock

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default -j2 --timeout 600

if [ -f tests/fuzz/CMakeLists.txt ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  ctest --preset fuzz
fi
echo "All tests passed."
