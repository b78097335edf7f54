#!/usr/bin/env bash
# Installs the Debian packages that Typorama needs, only those that are missing.
# Usage: scripts/deps.sh [build|test|bench|package]...
set -euo pipefail

# qt6-wayland: the window opens natively in a Wayland session that has no XWayland.
build_pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libfontconfig-dev fontconfig
            libxlsxwriter-dev libzip-dev libicu-dev fonts-dejavu-core fonts-liberation qt6-wayland)
test_pkgs=(libgtest-dev libgmock-dev googletest python3 python3-xlrd python3-openpyxl python3-docx
           xvfb xauth xclip xdotool x11-utils imagemagick clang libclang-rt-14-dev python3-fonttools
           at-spi2-core python3-pyatspi dbus
           libreoffice-calc-nogui libreoffice-writer-nogui poppler-utils python3-pil weston
           fonts-cantarell fonts-urw-base35)
# font-manager: the comparison row of a cached listing.
bench_pkgs=(libbenchmark-dev hyperfine time fonts-noto-core fonts-noto-extra
            fonts-noto-cjk fonts-cantarell fonts-urw-base35 fonts-lmodern font-manager)
# Building the Debian package and checking it and the desktop files.
package_pkgs=(dpkg-dev file lintian desktop-file-utils appstream man-db)

wanted=("${build_pkgs[@]}")
for kind in "$@"; do
  case "$kind" in
    build) ;;
    test) wanted+=("${test_pkgs[@]}" "${package_pkgs[@]}") ;;
    package) wanted+=("${package_pkgs[@]}") ;;
    bench) wanted+=("${test_pkgs[@]}" "${bench_pkgs[@]}") ;;
    *) echo "deps.sh: unknown set '$kind'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
