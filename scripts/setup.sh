#!/usr/bin/env bash
# Installs every package the build, the tests and the benchmarks need.
# Idempotent: packages already present are not installed again.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libqt6sql6-sqlite
  libgtest-dev libgmock-dev libbenchmark-dev
  libtiff-dev libtiff-tools libsane-dev sane-utils
  libsqlite3-dev sqlite3 freetds-dev freetds-bin
  libzxing-dev libsodium-dev
  acl
  clang libclang-rt-14-dev
  xvfb xauth x11-apps imagemagick poppler-utils fonts-dejavu-core
  samba smbclient gvfs gvfs-backends gvfs-fuse fuse3 dbus dbus-user-session libglib2.0-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# node and npm for the T-SQL check of sql/sqlserver (tests/sql); Debian's packages unless a
# node with its own npm is already there.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then missing+=(nodejs npm); fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
else
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The T-SQL grammar package of tests/sql, from its lock file.
tests_sql="$(dirname "$0")/../tests/sql"
if [ ! -d "$tests_sql/node_modules" ]; then
  (cd "$tests_sql" && npm ci --no-audit --no-fund)
fi
