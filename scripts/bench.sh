#!/usr/bin/env bash
# Builds Typorama with its benchmarks, builds a font corpus, and prints the performance table:
# each figure measured side by side with what it is compared to, in the same run.
# Usage: scripts/bench.sh            (about 10-15 minutes on two cores)
# Environment: TYPORAMA_BENCH_WORK   where the corpus goes (default: a folder under TMPDIR)
#              TYPORAMA_BENCH_RUNS   runs per whole-process figure (default 5; medians)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/deps.sh bench

build="$repo/build-bench"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTYPORAMA_BENCH=ON -DTYPORAMA_TESTS=OFF >/dev/null
cmake --build "$build" --target typorama typorama_floor typorama_micro typorama_window_filter >/dev/null
typorama="$build/typorama"
floor="$build/bench/typorama_floor"
window_filter="$build/bench/typorama_window_filter"
micro="$build/bench/typorama_micro"

work="${TYPORAMA_BENCH_WORK:-${TMPDIR:-/tmp}/typorama-bench}"
runs="${TYPORAMA_BENCH_RUNS:-5}"
mkdir -p "$work"

# The program as it was before the catalogue cache (the window start with a warm cache is measured
# against its start), built once from this repository's history; skipped where the history lacks it.
before_rev=ec1ea67
before="$work/before-$before_rev/build/typorama"
if [ ! -x "$before" ] && git -C "$repo" cat-file -e "$before_rev^{commit}" 2>/dev/null; then
  rm -rf "$work/before-$before_rev"
  mkdir -p "$work/before-$before_rev/src"
  git -C "$repo" archive "$before_rev" | tar -x -C "$work/before-$before_rev/src"
  cmake -S "$work/before-$before_rev/src" -B "$work/before-$before_rev/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DTYPORAMA_TESTS=OFF >/dev/null
  cmake --build "$work/before-$before_rev/build" --target typorama >/dev/null
fi

# ---- corpus ------------------------------------------------------------------------------
# The .ttf files of four Debian font packages, copied into numbered sub-folders until the
# wanted count is reached. The copies are hard links where the file system allows it: the
# same bytes under other paths, so the page cache holds one copy (the figures are for a warm
# file cache) and the disk is spared several gigabytes.
mapfile -t sources < <(dpkg -L fonts-noto-core fonts-noto-extra fonts-dejavu-core fonts-liberation |
                       grep -i '\.ttf$' | sort)
[ ${#sources[@]} -gt 0 ] || { echo "bench: no font files found" >&2; exit 1; }
# The OpenType and collection files a desktop has beside them (Cantarell, the URW base fonts,
# Latin Modern, Noto CJK), for --list --all-formats: the same corpus with this share added.
mapfile -t opentype < <(dpkg -L fonts-noto-cjk fonts-cantarell fonts-urw-base35 fonts-lmodern |
                        grep -iE '\.(otf|ttc|otc)$' | sort)

# Layouts: "packages" copyNNN / package folder / file, so the tree has depth and some folders;
# "families" a folder per family of four files each (about 6,250 folders at 25,000 files, as in
# a checkout of a public font repository), where the cost of each folder shows; "hundred" 100
# folders; "opentype" as "packages", the OpenType and collection files among the sources.
make_corpus() {  # folder count [layout]
  local dir=$1 want=$2 layout=${3:-packages} files=("${sources[@]}")
  [ "$layout" != opentype ] || files+=("${opentype[@]}")
  if [ -f "$dir/.complete" ] && [ "$(cat "$dir/.complete")" = "$layout $want" ]; then return; fi
  rm -rf "$dir"
  printf '%s\n' "${files[@]}" | python3 -c '
import os, shutil, sys
dest, want, layout = sys.argv[1], int(sys.argv[2]), sys.argv[3]
sources = sys.stdin.read().split("\n")[:-1]
family = lambda path: os.path.basename(path).split("-")[0].rsplit(".", 1)[0]
made, copy = 0, 0
while made < want:
    copy += 1
    for k, src in enumerate(sources[: want - made]):
        name = os.path.basename(src)
        if layout == "families":
            sub = os.path.join(dest, "copy%02d" % copy, "%s-%d" % (family(sources[k - k % 4]), k // 4))
        elif layout == "hundred":
            sub, name = os.path.join(dest, "folder%03d" % (made * 100 // want)), "%d-%s" % (copy, name)
        else:
            sub = os.path.join(dest, "copy%03d" % copy, os.path.basename(os.path.dirname(src)))
        os.makedirs(sub, exist_ok=True)
        target = os.path.join(sub, name)
        try:
            os.link(src, target)
        except OSError:
            shutil.copyfile(src, target)
        made += 1
' "$dir" "$want" "$layout"
  echo "$layout $want" >"$dir/.complete"
}

# 10,000 nested folders for the scan alone: 10 x 10 x 10 x 10 (the last level 10,000 leaves).
make_scan_tree() {
  local dir=$1
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && mkdir -p {0..9}/{0..9}/{0..9}/{0..9})
  touch "$dir/.complete"
}

small=2500
large=25000
echo "Building the corpus (${#sources[@]} distinct files) ..." >&2
make_corpus "$work/corpus-$small" $small
make_corpus "$work/corpus-$large" $large
make_corpus "$work/corpus-families" $large families
make_corpus "$work/corpus-hundred" $large hundred
make_corpus "$work/corpus-all" $large opentype
make_scan_tree "$work/scan-tree"

# The large corpus once more with every file in one folder (as a user's own fonts folder may
# be): the reading cannot overlap a next folder there, only share this one.
make_flat() {  # from to
  local dir=$2
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir" && mkdir -p "$dir"
  python3 -c '
import os, shutil, sys
src, dst = sys.argv[1], sys.argv[2]
files = sorted(os.path.join(r, f) for r, _, fs in os.walk(src) for f in fs if f.endswith(".ttf"))
for k, path in enumerate(files, 1):
    target = os.path.join(dst, "%05d-%s" % (k, os.path.basename(path)))
    try:
        os.link(path, target)
    except OSError:
        shutil.copyfile(path, target)
' "$1" "$dir"
  touch "$dir/.complete"
}
make_flat "$work/corpus-$large" "$work/corpus-flat"

# Each size gets its own fontconfig setup naming only its corpus, and an empty user fonts
# folder, so the catalogue and Qt see exactly the corpus.
setup_env() {  # size
  local n=$1 conf="$work/fc-$1"
  mkdir -p "$conf/cache" "$conf/data/fonts"
  cat >"$conf/fonts.conf" <<XML
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$work/corpus-$n</dir>
  <cachedir>$conf/cache</cachedir>
</fontconfig>
XML
  echo "FONTCONFIG_FILE=$conf/fonts.conf XDG_DATA_HOME=$conf/data XDG_CACHE_HOME=$conf/cache XDG_CONFIG_HOME=$conf/config BROWSER=true"
}
env_small=$(setup_env $small)
env_large=$(setup_env $large)
env_flat=$(setup_env flat)
env_families=$(setup_env families)
env_hundred=$(setup_env hundred)
env_all=$(setup_env all)

# fontconfig's own cache of the corpus is built once, as on any desktop, before timing.
echo "Building fontconfig's cache of the corpus ..." >&2
env $env_small fc-cache >/dev/null 2>&1 || true
env $env_large fc-cache >/dev/null 2>&1 || true
env $env_flat fc-cache >/dev/null 2>&1 || true
env $env_families fc-cache >/dev/null 2>&1 || true
env $env_hundred fc-cache >/dev/null 2>&1 || true
env $env_all fc-cache >/dev/null 2>&1 || true

# ---- measuring ---------------------------------------------------------------------------
# median wall-clock seconds and median peak RSS (KiB) of a command over $runs runs, after
# one warm-up run. Prints "seconds kib".
measure() {
  local reps=$1; shift
  "$@" >/dev/null 2>&1 || true
  local times=() rss=()
  for _ in $(seq "$reps"); do
    local out
    /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
    out=$(tail -1 "$work/time.txt")
    times+=("${out% *}")
    rss+=("${out#* }")
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}')" \
                   "$(printf '%s\n' "${rss[@]}" | sort -g | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}')"
}

# One window start in a hundred opens the home page: BROWSER=true (in each setup's environment)
# makes that a no-op; window runs are still cut after a minute (the wrapper adds about a
# millisecond to each window figure).

# /usr/bin/time has a 10 ms resolution; hyperfine gives the finer medians of the fast runs.
hmedian() {  # reps command...
  local reps=$1; shift
  local json="$work/hyperfine.json"
  hyperfine -N -i -w 1 -r "$reps" --export-json "$json" -- "$(printf '%q ' "$@")" >/dev/null 2>&1
  python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$json"
}

# Figures compared with each other are timed in turn, run by run, so that a change in the
# machine's load falls on both alike. Prints each command's median wall-clock seconds, one line
# each, after one warm-up round. Each command is one string, split as the shell would.
alternate() {  # reps command...
  python3 - "$@" <<'ALT'
import os, shlex, statistics, sys, time
reps, commands = int(sys.argv[1]), [shlex.split(c) for c in sys.argv[2:]]
null = os.open(os.devnull, os.O_WRONLY)
def run(argv):
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ,
                          file_actions=[(os.POSIX_SPAWN_DUP2, null, 1), (os.POSIX_SPAWN_DUP2, null, 2)])
    os.waitpid(pid, 0)
    return time.perf_counter() - start
for argv in commands: run(argv)
times = [[] for _ in commands]
for _ in range(reps):
    for k, argv in enumerate(commands): times[k].append(run(argv))
for t in times: print(statistics.median(t))
ALT
}

# Footprint of the program with a one-row catalogue (an empty one stops at the no-fonts box).
make_corpus "$work/corpus-1" 1
env_one=$(setup_env 1)
env $env_one fc-cache >/dev/null 2>&1 || true

# The empty program's footprint with the same installed faces: Qt and fontconfig hold an
# entry for every face the system knows, whether or not the catalogue lists it, so a
# baseline with one installed face would count those entries as catalogue rows. This
# baseline sees every face of the corpus, under names the catalogue does not take (it
# lists *.ttf files only; fontconfig reads any file), plus the one-file corpus for its
# single row.
make_faces_only() {  # size
  local n=$1 dir="$work/faces-$1"
  if [ -f "$dir/.complete" ]; then return; fi
  rm -rf "$dir"
  python3 -c '
import os, sys
src, dst = sys.argv[1], sys.argv[2]
for root, _, files in os.walk(src):
    for f in files:
        if not f.lower().endswith(".ttf"): continue
        sub = os.path.join(dst, os.path.relpath(root, src))
        os.makedirs(sub, exist_ok=True)
        target = os.path.join(sub, f[:-4] + ".face")
        try:
            os.link(os.path.join(root, f), target)
        except OSError:
            import shutil; shutil.copyfile(os.path.join(root, f), target)
' "$work/corpus-$n" "$dir"
  touch "$dir/.complete"
}
base_env() {  # size: prints the environment of the baseline of that many faces
  local n=$1 conf="$work/fc-base-$1"
  make_faces_only "$n"
  mkdir -p "$conf/cache" "$conf/data/fonts"
  cat >"$conf/fonts.conf" <<XML
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$work/faces-$n</dir>
  <dir>$work/corpus-1</dir>
  <cachedir>$conf/cache</cachedir>
</fontconfig>
XML
  echo "FONTCONFIG_FILE=$conf/fonts.conf XDG_DATA_HOME=$conf/data XDG_CACHE_HOME=$conf/cache XDG_CONFIG_HOME=$conf/config BROWSER=true"
}

declare -A T M B
M[distinct]=${#sources[@]}
q() { printf '%q ' "$@"; }  # one command as a string for alternate
for n in $small $large; do
  envs="env_small"; [ $n = $large ] && envs="env_large"
  e=${!envs}
  env_base=$(base_env $n)
  env $env_base fc-cache >/dev/null 2>&1 || true
  base_rows=$(env $env_base QT_QPA_PLATFORM=offscreen "$typorama" --list 2>/dev/null | wc -l)
  [ "$base_rows" = 1 ] || echo "bench: the baseline of $n faces lists $base_rows rows, not 1" >&2
  echo "Measuring $n files ..." >&2
  # The list and the floor, alternating, three times the runs: the ratio is the figure to meet.
  mapfile -t t < <(alternate $((3 * runs)) "env $e QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list" \
                                           "$(q "$floor" "$work/corpus-$n")")
  T[list$n]=${t[0]}
  T[floor$n]=${t[1]}
  # fc-scan alternating with --list too (three rounds: fc-scan takes seconds at 25,000 files).
  mapfile -t t < <(alternate 3 "env $e QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list" \
                               "env $e $(q fc-scan --format '%{fullname}\n' "$work/corpus-$n")")
  T[listfc$n]=${t[0]}
  T[fcscan$n]=${t[1]}
  # The filled window and the same window over one row with the same installed faces.
  mapfile -t t < <(alternate "$runs" "timeout 60 env $e QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$typorama") --no-cache" \
                                     "timeout 60 env $env_base QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$typorama") --no-cache")
  T[gui$n]=${t[0]}
  T[guibase$n]=${t[1]}
  read -r _ M[gui$n] < <(measure "$runs" timeout 60 env $e QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 "$typorama" --no-cache)
  read -r _ B[$n] < <(measure "$runs" timeout 60 env $env_base QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 "$typorama" --no-cache)
  T[xlsx$n]=$(hmedian 3 env $e QT_QPA_PLATFORM=offscreen "$typorama" --no-cache --export "$work/out-$n.xlsx" --force)
  T[docx$n]=$(hmedian 3 env $e QT_QPA_PLATFORM=offscreen "$typorama" --no-cache --export "$work/out-$n.docx" --force)
  rows=$(env $e QT_QPA_PLATFORM=offscreen "$typorama" --list 2>/dev/null | wc -l)
  M[rows$n]=$rows
done
read -r _ m0 < <(measure "$runs" timeout 60 env $env_one QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 "$typorama" --no-cache)
echo "Measuring $large files in one folder ..." >&2
mapfile -t t < <(alternate $((3 * runs)) "env $env_flat QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list" \
                                         "$(q "$floor" "$work/corpus-flat")")
T[listflat]=${t[0]}
T[floorflat]=${t[1]}
echo "Measuring $large files a folder per family and in 100 folders ..." >&2
# Each layout read whole (--no-cache), then from the cache its first round wrote.
mapfile -t t < <(alternate $((3 * runs)) "env $env_families QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list" \
                                         "$(q "$floor" "$work/corpus-families")" \
                                         "env $env_hundred QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list" \
                                         "$(q "$floor" "$work/corpus-hundred")" \
                                         "env $env_families QT_QPA_PLATFORM=offscreen $(q "$typorama") --list" \
                                         "env $env_hundred QT_QPA_PLATFORM=offscreen $(q "$typorama") --list")
T[listfamilies]=${t[0]}
T[floorfamilies]=${t[1]}
T[listhundred]=${t[2]}
T[floorhundred]=${t[3]}
T[warmfamilies]=${t[4]}
T[warmhundred]=${t[5]}
echo "Measuring $large files with the OpenType and collection share, every format ..." >&2
mapfile -t t < <(alternate $((3 * runs)) "env $env_all QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list --all-formats" \
                                         "$(q "$floor" --all-formats "$work/corpus-all")")
T[listall]=${t[0]}
T[floorall]=${t[1]}
M[rowsall]=$(env $env_all QT_QPA_PLATFORM=offscreen "$typorama" --list --all-formats 2>/dev/null | wc -l)
M[opentypeall]=$(find "$work/corpus-all" -type f \( -iname '*.otf' -o -iname '*.ttc' -o -iname '*.otc' \) | wc -l)

# ---- the catalogue cache ---------------------------------------------------------------
# Every figure above reads every file (--no-cache). These read what changed only: each
# setup's cache is warm after the first round (the rounds alternate, the first one is a warm-up).
echo "Measuring the cache: Filter in the window, warm --list, font-manager, window start ..." >&2
# The window's first fill (nothing cached yet) against its Filter clicks over the same tree, in
# one process: the whole list, and the filter "Mono".
window_rounds() {  # filter: prints the median first fill and the median Filter, in seconds
  for _ in $(seq "$runs"); do
    env $env_large QT_QPA_PLATFORM=offscreen "$window_filter" 5 "$1" 2>/dev/null | python3 -c '
import statistics, sys
t = [float(x) for x in sys.stdin.read().split()]
print(t[0], statistics.median(t[1:]))'
  done | python3 -c '
import statistics, sys
rows = [l.split() for l in sys.stdin if l.strip()]
print(statistics.median(float(r[0]) for r in rows), statistics.median(float(r[1]) for r in rows))'
}
read -r T[fill] T[filterall] < <(window_rounds "")
read -r T[fillmono] T[filtermono] < <(window_rounds Mono)
# A property search (monospaced faces) in the same window: the first reads every face's details,
# the later ones find them kept.
for _ in $(seq "$runs"); do
  env $env_large QT_QPA_PLATFORM=offscreen "$window_filter" 5 --mono 2>/dev/null | python3 -c '
import statistics, sys
t = [float(x) for x in sys.stdin.read().split()]
print(t[0], t[1], statistics.median(t[2:]))'
done | python3 -c '
import statistics, sys
rows = [l.split() for l in sys.stdin if l.strip()]
print(*(statistics.median(float(r[k]) for r in rows) for k in range(3)))' > "$work/search.txt"
read -r T[fillsearch] T[searchfirst] T[search] < "$work/search.txt"
# A new sample text in the same window: the rows in view drawn with it, and a page of scrolling
# with the default sample and with that text.
for _ in $(seq "$runs"); do
  env $env_large QT_QPA_PLATFORM=offscreen "$window_filter" 6 --sample 2>/dev/null | python3 -c '
import statistics, sys
rows = [l.split() for l in sys.stdin.read().splitlines()[1:] if l.strip()]
print(*(statistics.median(float(r[k]) for r in rows) for k in range(3)))'
done | python3 -c '
import statistics, sys
rows = [l.split() for l in sys.stdin if l.strip()]
print(*(statistics.median(float(r[k]) for r in rows) for k in range(3)))' > "$work/sample.txt"
read -r T[samplechange] T[pagedefault] T[pagecustom] < "$work/sample.txt"
# Warm --list against font-manager's own cached listing (it needs a display: Xvfb; its cache
# warms in the first round as ours does).
Xvfb :87 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
sleep 1
mapfile -t t < <(alternate "$runs" "env $env_large QT_QPA_PLATFORM=offscreen $(q "$typorama") --list" \
                                   "env $env_large DISPLAY=:87 font-manager --list-full")
kill "$xvfb" 2>/dev/null || true
T[warmlarge]=${t[0]}
T[fontmanager]=${t[1]}
# --where from a warm cache: a first run reads every face's details into the cache.
echo "Measuring --list --where mono from a warm cache ..." >&2
cache_large="$(sed -E 's/.*XDG_CACHE_HOME=([^ ]*).*/\1/' <<<"$env_large")/typorama/catalogue.cache"
/usr/bin/time -f %e -o "$work/time.txt" env $env_large QT_QPA_PLATFORM=offscreen "$typorama" --list --where mono >/dev/null 2>&1
T[wherecold]=$(cat "$work/time.txt")
mapfile -t t < <(alternate $((3 * runs)) "env $env_large QT_QPA_PLATFORM=offscreen $(q "$typorama") --list --where mono" \
                                         "$(q "$floor" "$work/corpus-$large")")
T[wheremono]=${t[0]}
T[floorwhere]=${t[1]}
M[cachedetails]=$(stat -c %s "$cache_large")
# The corpus hard-links its copies, and details are kept once a file: the cache's size a row with
# every face's details is measured again where no two files share one, on 2,500 copies made anew.
distinct="$work/distinct-$small" distinct_conf="$work/fc-distinct-$small"
if [ ! -f "$distinct/.complete" ]; then
  rm -rf "$distinct" && cp -r "$work/corpus-$small" "$distinct" && touch "$distinct/.complete"
fi
mkdir -p "$distinct_conf/cache"
printf '<?xml version="1.0"?>\n<fontconfig><dir>%s</dir><cachedir>%s/cache</cachedir></fontconfig>\n' \
  "$distinct" "$distinct_conf" >"$distinct_conf/fonts.conf"
env_distinct="FONTCONFIG_FILE=$distinct_conf/fonts.conf XDG_DATA_HOME=$distinct_conf/data XDG_CACHE_HOME=$distinct_conf/cache"
env $env_distinct fc-cache >/dev/null 2>&1 || true
sleep 3.2  # files this old get records
env $env_distinct QT_QPA_PLATFORM=offscreen "$typorama" --list --where mono >/dev/null 2>&1
M[cachedistinct]=$(stat -c %s "$distinct_conf/cache/typorama/catalogue.cache")
M[rowsdistinct]=$(env $env_distinct QT_QPA_PLATFORM=offscreen "$typorama" --list 2>/dev/null | wc -l)
# The window's start to its filled grid with a warm cache, against the start of the program before
# the cache and against a start that reads every file.
start_before="true"
[ -x "$before" ] && start_before="timeout 60 env $env_large QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$before")"
mapfile -t t < <(alternate "$runs" "timeout 60 env $env_large QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$typorama")" \
                                   "timeout 60 env $env_large QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$typorama") --no-cache" \
                                   "$start_before")
T[guiwarm]=${t[0]}
T[guicold]=${t[1]}
T[guibefore]=$([ -x "$before" ] && echo "${t[2]}" || echo 0)
# Without a cache (the first run, which writes it) and with a stale one (every file changed
# since: a status change each, on a copy of the cache saved before), against reading every file.
env $env_large QT_QPA_PLATFORM=offscreen "$typorama" --list >/dev/null 2>&1
cp "$cache_large" "$work/stale.cache"
M[cachebytes]=$(stat -c %s "$work/stale.cache")
find "$work/corpus-$large" -name '*.ttf' -exec chmod u+r {} +
sleep 3.2  # files this old get records again
fresh() { printf "sh -c %q x " "$1; exec \"\$@\""; }  # a command run after a shell step
mapfile -t t < <(alternate $((2 * runs)) \
  "$(fresh "rm -f $(q "$cache_large")") env $env_large QT_QPA_PLATFORM=offscreen $(q "$typorama") --list" \
  "$(fresh "cp $(q "$work/stale.cache") $(q "$cache_large")") env $env_large QT_QPA_PLATFORM=offscreen $(q "$typorama") --list" \
  "$(fresh "rm -f $(q "$cache_large")") env $env_large QT_QPA_PLATFORM=offscreen $(q "$typorama") --no-cache --list" \
  "$(fresh "rm -f $(q "$cache_large")") timeout 60 env $env_large QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$typorama")" \
  "$(fresh "rm -f $(q "$cache_large")") timeout 60 env $env_large QT_QPA_PLATFORM=offscreen TYPORAMA_QUIT_WHEN_SHOWN=1 $(q "$typorama") --no-cache" \
  "$([ -x "$before" ] && echo "env $env_large QT_QPA_PLATFORM=offscreen $(q "$before") --list" || echo true)")
T[listnone]=${t[0]}
T[liststale]=${t[1]}
T[listcold]=${t[2]}
T[guinone]=${t[3]}
T[guicold2]=${t[4]}
T[listbefore]=$([ -x "$before" ] && echo "${t[5]}" || echo 0)

echo "Micro benchmarks ..." >&2
font=$(printf '%s\n' "${sources[@]}" | grep -m1 'DejaVuSans.ttf$' || echo "${sources[0]}")
micro_json="$work/micro.json"
env $env_large QT_QPA_PLATFORM=offscreen TYPORAMA_BENCH_FONT="$work/corpus-$large/copy001/$(basename "$(dirname "$font")")/$(basename "$font")" \
    TYPORAMA_BENCH_SCAN_TREE="$work/scan-tree" TYPORAMA_BENCH_FACES="$work/corpus-$small/copy001" \
    "$micro" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$micro_json" --benchmark_out_format=json >/dev/null 2>&1

# ---- table -------------------------------------------------------------------------------
python3 - "$micro_json" "$small" "$large" "$m0" "${B[$small]}" "${B[$large]}" <<PY
import json, sys
micro, small, large, m0 = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
base = {small: int(sys.argv[5]), large: int(sys.argv[6])}
T = {$(for k in "${!T[@]}"; do printf '"%s": %s, ' "$k" "${T[$k]}"; done)}
M = {$(for k in "${!M[@]}"; do printf '"%s": %s, ' "$k" "${M[$k]}"; done)}
def ms(s): return f"{s*1000:.0f} ms" if s >= 0.1 else f"{s*1000:.1f} ms"
def ok(b): return "met" if b else "NOT met"
rows = []
def row(no, what, a, b, ratio, target, met):
    rows.append((no, what, a, b, ratio, target, met))
for n in (small, large):
    L, F, S, G = T[f"list{n}"], T[f"floor{n}"], T[f"fcscan{n}"], T[f"gui{n}"]
    row("1", f"--list vs floor, {n} files", ms(L), ms(F), f"{L/F:.2f}x", "<= 2x at 25,000", ok(L/F <= 2) if n == large else "")
    LF = T[f"listfc{n}"]
    row("2", f"--list vs fc-scan, {n} files", ms(LF), ms(S), f"{S/LF:.1f}x faster", ">= 10x at 25,000", ok(S/LF >= 10) if n == large else "")
    # The window's own fill: the shown, filled window minus the same window over one row with
    # the same installed faces (Qt's font database over every face is paid either way).
    GB = T[f"guibase{n}"]
    row("3", f"window fill (shown minus 1-row window) vs --list, {n} files", ms(G - GB), ms(L), f"{(G-GB)/L:.2f}x", "<= 1.2x", ok((G - GB) / L <= 1.2))
    row("3", f"  (window shown, {n} rows)", ms(G), ms(L), f"{G/L:.2f}x", "", "")
    row("3", f"  (window shown, 1 row, the same {n} faces installed)", ms(GB), ms(L), f"{GB/L:.2f}x", "", "")
    per_row = (M[f"gui{n}"] - base[n]) * 1024 / max(1, M[f"rows{n}"])
    row("4", f"GUI peak RSS, {n} rows, vs 1 row and the same {n} faces installed", f"{M[f'gui{n}']/1024:.1f} MiB", f"{base[n]/1024:.1f} MiB", f"{per_row:.0f} B/row", "< 2 KiB/row", ok(per_row < 2048))
    one = (M[f"gui{n}"] - m0) * 1024 / max(1, M[f"rows{n}"])
    row("4", f"  (the same vs 1 row and 1 face installed)", f"{M[f'gui{n}']/1024:.1f} MiB", f"{m0/1024:.1f} MiB", f"{one:.0f} B/row", "", "")
    row("5", f"--export .xlsx / .docx, {n} rows", ms(T[f"xlsx{n}"]), ms(T[f"docx{n}"]), "", "", "")
L, F = T["listflat"], T["floorflat"]
row("1", f"--list vs floor, {large} files in one folder", ms(L), ms(F), f"{L/F:.2f}x", "<= 2x at 25,000", ok(L/F <= 2))
L, F = T["listall"], T["floorall"]
row("1", f"--list --all-formats vs floor, {large} files ({M['opentypeall']} .otf/.ttc, {M['rowsall']} rows)", ms(L), ms(F), f"{L/F:.2f}x", "<= 2x at 25,000", ok(L/F <= 2))
for k, layout in (("families", "a folder per family (4 files)"), ("hundred", "100 folders of 250")):
    for no, what, L, most in (("7", "cold", T["list" + k], 2), ("9", "warm", T["warm" + k], 0.6)):
        F = T["floor" + k]
        row(no, f"{what} --list vs floor, {large} files, {layout}", ms(L), ms(F), f"{L/F:.2f}x", f"<= {most}x", ok(L/F <= most))
for k, what in (("all", "(whole list)"), ("mono", '"Mono"')):
    A, F = T["filter" + k], T["fill" if k == "all" else "fillmono"]
    row("8", f"Filter {what} vs the window's first fill, {large} files", ms(A), ms(F), f"{A/F:.2f}x", "<= 0.25x", ok(A/F <= 0.25))
S, F = T["search"], T["fillsearch"]
row("15", f"property search (monospaced) vs the window's first fill, {large} files", ms(S), ms(F), f"{S/F:.2f}x", "<= 0.25x", ok(S/F <= 0.25))
row("15", f"  (the first search, which reads every face's details, {large} files)", ms(T["searchfirst"]), ms(F), f"{T['searchfirst']/F:.2f}x", "", "")
C = T["samplechange"]
row("18", f"sample text changed: the rows in view drawn with it, {large} rows", ms(C), "", "", "<= 50 ms", ok(C <= 0.05))
P, D = T["pagecustom"], T["pagedefault"]
row("18", f"  a page of scrolling with that text vs with the default sample", ms(P), ms(D), f"{P/D:.2f}x", "", "")
L, FM = T["warmlarge"], T["fontmanager"]
row("10", f"warm --list vs font-manager --list-full (its cache warm), {large} files", ms(L), ms(FM), f"{FM/L:.1f}x faster", ">= 5x", ok(FM / L >= 5))
W, F = T["wheremono"], T["floorwhere"]
row("16", f"warm --list --where mono vs floor, {large} files", ms(W), ms(F), f"{W/F:.2f}x", "<= 0.6x", ok(W/F <= 0.6))
row("16", f"  (the first --where mono, which reads every face's details, {large} files)", ms(T["wherecold"]), "", "", "", "")
D = M["cachedistinct"] / M["rowsdistinct"]
row("16", f"cache file with every face's details, {M['rowsdistinct']} files, none hard-linked", f"{M['cachedistinct']/1024/1024:.1f} MiB", "", f"{D:.0f} B/row", "< 400 B/row", ok(D < 400))
D = M["cachedetails"] / M[f"rows{large}"]
row("16", f"  (the same, {large} files, hard-linked copies of {M['distinct']} files: details kept once a file)", f"{M['cachedetails']/1024/1024:.1f} MiB", "", f"{D:.0f} B/row", "", "")
G, C, P = T["guiwarm"], T["guicold"], T["guibefore"]
if P > 0:
    row("11", f"window start, warm cache vs the program before the cache, {large} files", ms(G), ms(P), f"{G/P:.2f}x", "<= 0.6x", ok(G/P <= 0.6))
row("11", f"  (window start, warm cache vs reading every file (--no-cache), {large} files)", ms(G), ms(C), f"{G/C:.2f}x", "", "")
for k, what in (("listnone", "--list, no cache yet (writes it)"), ("liststale", "--list, every record out of date")):
    L, C, P = T[k], T["listcold"], T["listbefore"]
    if P > 0:
        row("12", f"{what} vs the program before the cache, {large} files", ms(L), ms(P), f"{L/P:.2f}x", "<= 1.05x", ok(L/P <= 1.05))
    row("12", f"  ({what} vs --no-cache, {large} files)", ms(L), ms(C), f"{L/C:.2f}x", "(<= 1.05x)", ok(L/C <= 1.05))
G, C = T["guinone"], T["guicold2"]
row("12", f"window start, no cache yet vs --no-cache, {large} files", ms(G), ms(C), f"{G/C:.2f}x", "<= 1.05x", ok(G/C <= 1.05))
row("13", f"cache file, {large} files", f"{M['cachebytes']/1024/1024:.1f} MiB", "", f"{M['cachebytes']/M[f'rows{large}']:.0f} B/row", "< 200 B/row", ok(M['cachebytes']/M[f'rows{large}'] < 200))
g = lambda k: T[k + str(large)] / T[k + str(small)]
for k, name in (("list", "--list"), ("floor", "floor"), ("fcscan", "fc-scan"), ("gui", "window shown"),
                ("xlsx", "--export .xlsx"), ("docx", "--export .docx")):
    row("6", f"growth 2,500 -> 25,000: {name}", ms(T[k + str(small)]), ms(T[k + str(large)]), f"{g(k):.1f}x", "<= 10.5x", ok(g(k) <= 10.5))
mem_growth = (M[f"gui{large}"] - m0) / max(1, M[f"gui{small}"] - m0)
row("6", "growth 2,500 -> 25,000: GUI memory above 1 row and 1 face", "", "", f"{mem_growth:.1f}x", "<= 10.5x", ok(mem_growth <= 10.5))

medians = {b["run_name"]: b for b in json.load(open(micro))["benchmarks"] if b.get("aggregate_name") == "median"}
for name, no, what, most in (
        ("BM_DetailsWindowOpen", "14", "details window open (one face read, window built, shown, painted)", 0.033),
        ("BM_ComparisonWindowOpen", "17", "comparison window open, 100 faces (built, filled, shown, painted)", 0.3)):
    if name in medians:
        b = medians[name]
        t = b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1}[b["time_unit"]]
        row(no, what, ms(t), "", "", f"<= {most * 1000:.0f} ms", ok(t <= most))

hdr = ("Row", "Figure", "Measured", "Against", "Ratio", "Target", "")
w = [max(len(str(r[i])) for r in rows + [hdr]) for i in range(7)]
line = lambda r: "| " + " | ".join(str(c).ljust(w[i]) for i, c in enumerate(r)) + " |"
print(line(hdr)); print("|" + "|".join("-" * (x + 2) for x in w) + "|")
for r in rows: print(line(r))

print()
print("Micro benchmarks (median of 3 repetitions):")
for b in json.load(open(micro))["benchmarks"]:
    if b.get("aggregate_name") != "median": continue
    name = b["run_name"]
    if "items_per_second" in b:
        per = 1e9 / b["items_per_second"]
        unit = "row" if "GridFill" in name else ("folder" if "Scan" in name else "file")
        extra = ""
        if "listings_per_folder" in b: extra = f", {b['listings_per_folder']:.2f} listings per folder over {b['folders']:.0f} folders"
        print(f"  {name}: {per/1000:.2f} us per {unit}{extra}")
PY
