#!/usr/bin/env bash
# Configures and builds into build/ (or $TYPORAMA_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${TYPORAMA_BUILD_DIR:-build}"
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
