#!/usr/bin/env bash
# Installs what is missing, builds Typorama and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ $# -eq 0 ]; then
  echo "No display to open the window on: run this from a desktop session, or list the fonts with: build/typorama --list" >&2
  exit 1
fi
exec build/typorama "$@"
