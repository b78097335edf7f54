#!/usr/bin/env bash
# Builds a Release tree and writes the Debian package typorama_*.deb into OUTDIR (default build/).
# Usage: scripts/package.sh [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build}")"
scripts/deps.sh package
dir="${TYPORAMA_PACKAGE_BUILD_DIR:-build-release}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DTYPORAMA_TESTS=OFF >/dev/null
cmake --build "$dir"
mkdir -p "$out"
(cd "$dir" && cpack -G DEB -B "$out/_cpack" >/dev/null)
mv "$out"/_cpack/typorama_*.deb "$out"/
rm -rf "$out/_cpack"
ls "$out"/typorama_*.deb
