#!/usr/bin/env bash
# Installs what is missing, builds Typorama and its tests, and runs them all; checks the Debian
# package; runs every test again built with AddressSanitizer and UndefinedBehaviorSanitizer (in
# build-asan/, skipped with TYPORAMA_SANITIZE_TESTS=0); then fuzzes briefly.
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

if [ "${TYPORAMA_SANITIZE_TESTS:-1}" != 0 ]; then
  asan_dir="${TYPORAMA_ASAN_BUILD_DIR:-build-asan}"
  TYPORAMA_BUILD_DIR="$asan_dir" scripts/build.sh -DTYPORAMA_TESTS=ON -DTYPORAMA_SANITIZE=ON
  # Any report fails the test that caused it; the build already stops at undefined behaviour.
  # Leak detection stays on (the default); its one suppression (tests/leaks.supp) is Qt's own,
  # and needs whole stacks to match through fontconfig, which keeps no frame pointers.
  # (No strict_string_checks: it flags the bounded strndup that the X keyboard library makes.)
  export ASAN_OPTIONS="detect_stack_use_after_return=1:check_initialization_order=1:fast_unwind_on_malloc=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/leaks.supp"
  ctest --test-dir "$asan_dir" --output-on-failure -j2 --timeout 600
fi

if [ -x scripts/fuzz.sh ]; then
  scripts/fuzz.sh "${TYPORAMA_FUZZ_SECONDS:-60}"
fi
