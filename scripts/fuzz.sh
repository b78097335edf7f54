#!/usr/bin/env bash
# Fuzzes the TrueType table reader (with the character map and the text shown) for about $1 seconds (default 60) under AddressSanitizer and
# UndefinedBehaviorSanitizer, reading each input both from memory and from a file (the two must
# agree); then the catalogue cache's reader for as long. Needs clang++; without it the run is
# skipped with a message.
# Fails when the fuzzer finds a crash, a leak, undefined behaviour or a timeout.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ not found, fuzzing skipped"
  exit 0
fi
out="${TYPORAMA_FUZZ_DIR:-build-fuzz}"
mkdir -p "$out/corpus" "$out/artifacts"

reader=(src/fontfile/truetype_tables.cpp src/fontfile/face_details.cpp src/fontfile/byte_source.cpp
        src/fontfile/character_map.cpp src/fontfile/shown_sample.cpp
        src/fontfile/windows_1252.cpp src/platform/linux/file_system_linux.cpp src/platform/linux/font_file_copy_linux.cpp
        src/platform/linux/atomic_file_linux.cpp src/platform/path_codec.cpp src/platform/file_status.cpp)
qt_flags=$(pkg-config --cflags --libs Qt6Core Qt6Gui)
fc_flags=$(pkg-config --cflags --libs fontconfig)
sanitize=(-fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
# shellcheck disable=SC2086
if ! clang++ -std=c++20 -g -O1 "${sanitize[@]}" -Isrc fuzz/truetype_fuzzer.cpp "${reader[@]}" $qt_flags $fc_flags -fPIC \
     -o "$out/truetype_fuzzer" 2>"$out/build.log"; then
  if grep -q "libclang_rt.fuzzer\|cannot find -l\|fuzzer.*not found" "$out/build.log"; then
    echo "fuzz.sh: clang's fuzzer runtime is missing (package libclang-rt-dev), fuzzing skipped"
    exit 0
  fi
  cat "$out/build.log" >&2
  exit 1
fi

# shellcheck disable=SC2086
clang++ -std=c++20 -g -O1 "${sanitize[@]}" -Isrc fuzz/catalogue_cache_fuzzer.cpp src/catalogue/cache_file.cpp src/catalogue/kept_details.cpp \
  $qt_flags -fPIC -o "$out/catalogue_cache_fuzzer"

# Seeds come from the same font builder the tests use, and from the cache's own writer.
# shellcheck disable=SC2086
clang++ -std=c++20 -O1 -fPIC -Itests -Isrc fuzz/write_seeds.cpp tests/support/font_builder.cpp \
  src/catalogue/cache_file.cpp src/catalogue/kept_details.cpp $qt_flags -o "$out/write_seeds"
rm -rf "$out/seeds" "$out/cache-seeds" && mkdir "$out/seeds" && "$out/write_seeds" "$out/seeds" "$out/cache-seeds"
mkdir -p "$out/cache-corpus"

# Each seed once whole (some are longer than the fuzzer's inputs), with modest memory: a forged
# name table must not make the reader decode gigabytes.
"$out/truetype_fuzzer" -rss_limit_mb=512 -artifact_prefix="$out/artifacts/" "$out"/seeds/* \
  >"$out/seeds.log" 2>&1 || {
  tail -n 60 "$out/seeds.log" >&2
  echo "fuzz.sh: a seed failed; see $out/seeds.log" >&2
  exit 1
}

echo "fuzz.sh: fuzzing the TrueType reader for ${seconds}s"
"$out/truetype_fuzzer" "$out/corpus" "$out/seeds" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$out/artifacts/" -print_final_stats=1 2>"$out/fuzz.log" || {
  tail -n 60 "$out/fuzz.log" >&2
  echo "fuzz.sh: the fuzzer found a problem; inputs are in $out/artifacts" >&2
  exit 1
}
grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$out/fuzz.log" || true

echo "fuzz.sh: fuzzing the catalogue cache's reader for ${seconds}s"
"$out/catalogue_cache_fuzzer" "$out/cache-corpus" "$out/cache-seeds" -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$out/artifacts/" -print_final_stats=1 2>"$out/cache-fuzz.log" || {
  tail -n 60 "$out/cache-fuzz.log" >&2
  echo "fuzz.sh: the fuzzer found a problem in the cache reader; inputs are in $out/artifacts" >&2
  exit 1
}
grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$out/cache-fuzz.log" || true
