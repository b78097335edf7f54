#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it on this machine, runs the
# installed program, removes the package and checks that nothing of it is left. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
scripts/package.sh "$out" >/dev/null
deb=$(ls "$out"/typorama_*.deb)

# Errors fail the check; warnings are shown.
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$out/lintian.txt"
if grep -q '^E:' "$out/lintian.txt"; then
  echo "package_check: lintian found errors" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' typorama 2>/dev/null | grep -q 'install ok installed'; then
  echo "package_check: typorama is already installed here; not touching it" >&2
  exit 1
fi
apt-get install -y -qq --no-install-recommends "$deb" </dev/null >/dev/null
files=$(dpkg -L typorama)
for f in /usr/bin/typorama /usr/share/applications/org.typorama.Typorama.desktop \
         /usr/share/icons/hicolor/scalable/apps/org.typorama.Typorama.svg \
         /usr/share/icons/hicolor/48x48/apps/org.typorama.Typorama.png \
         /usr/share/metainfo/org.typorama.Typorama.metainfo.xml /usr/share/man/man1/typorama.1.gz; do
  [ -f "$f" ] || { echo "package_check: $f was not installed" >&2; exit 1; }
done
status=0
rows=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/typorama --list | wc -l) || status=$?
apt-get purge -y -qq typorama </dev/null >/dev/null
if [ "$status" -ne 0 ] || [ "$rows" -eq 0 ]; then
  echo "package_check: the installed typorama --list failed (status $status, $rows rows)" >&2
  exit 1
fi
left=""
while IFS= read -r f; do
  # Shared folders such as /usr/share/icons stay; anything that is the package's own must go.
  if [ -e "$f" ] && [ ! -d "$f" ]; then left+="$f "; fi
done <<<"$files"
[ -d /usr/share/doc/typorama ] && left+="/usr/share/doc/typorama "
if [ -n "$left" ]; then
  echo "package_check: left behind after removal: $left" >&2
  exit 1
fi
echo "package_check: $(basename "$deb") builds, passes lintian, installs, lists $rows fonts, and leaves nothing on removal"
