#!/usr/bin/env bash
# Installs what is missing, builds Typorama and its tests, and runs them all (then the fuzzer briefly).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh -DTYPORAMA_TESTS=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${TYPORAMA_BUILD_DIR:-build}" --output-on-failure -j2 --timeout 300
# The Debian package: builds, passes lintian, installs, runs and leaves nothing on removal.
if [ "$(id -u)" -eq 0 ]; then
  scripts/package_check.sh
else
  echo "test.sh: not root, the package install check is skipped"
fi
if [ -x scripts/fuzz.sh ]; then
  scripts/fuzz.sh "${TYPORAMA_FUZZ_SECONDS:-60}"
fi
