#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking
# Tarnwick needs. Idempotent: when everything is present it touches neither
# the network nor the package database. Must run as root (or via sudo).
set -euo pipefail

PACKAGES=(
  # compiler and build tools
  g++ make cmake ninja-build pkg-config ccache
  # clang with its sanitizer and libFuzzer runtimes, for the fuzz targets
  clang libclang-rt-14-dev
  # libraries the program links
  libace-dev libpq-dev libsqlite3-dev libedit-dev
  # JSON for reading reports back (header only)
  nlohmann-json3-dev
  # the peers that bench/compare and the corpus test measure against (psql
  # comes with postgresql), and the corpus test's runner
  sqlite3 python3
  # the throw-away database server of the end-to-end tests
  postgresql
  # the browser that opens the HTML reports in their test
  chromium
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # the allocators that bench/compare/allocators.sh measures ours against
  libjemalloc2 libmimalloc2.0 libtcmalloc-minimal4
)

missing=()
for package in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=()
if [[ $(id -u) -ne 0 ]]; then SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
  "${missing[@]}"
