#!/usr/bin/env bash
# Fuzzes the table engine for a while, then the GIF and animated-cursor readers and the
# clipboard's own records format for a third of that each: tests/fuzz/run.sh BUILD_DIR SECONDS
# The table corpus is seeded, in a temporary folder, from the real tables (each packed with its
# memo file when it has one), the image corpora from tests/fuzz/seeds/; any crash, sanitizer
# report, leak, single allocation beyond the target's limit or time-out fails the run and leaves
# the input in BUILD_DIR/fuzz-artifacts/.
# Inputs and limits per target: tables up to 32 KiB with 64 MB; GIF files up to 64 KiB with
# 256 MB, above the 172 MB frame that 64 KiB of data can fill and below what a looser bound
# would allocate; animated cursors up to 64 KiB with 64 MB, where steps multiplied over several
# headers would exceed it; clipboard records up to 16 KiB with 64 MB. The image seeds include such shapes: a frame that its data fills
# completely (large-solid.gif), one that claims four times what its data can fill
# (claims-more.gif), a cursor of many headers each announcing many steps (many-anih.ani) and one
# whose header announces 2^32 - 1 steps (huge-count.ani).
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: run.sh BUILD_DIR SECONDS}" && pwd)"
seconds="${2:-60}"
fuzzer="$build/tests/fuzz/fuzz_table"
if [ ! -x "$fuzzer" ]; then
  echo "No $fuzzer: configure with CC=clang CXX=clang++ -DVELLIBROX_FUZZ=ON" >&2
  exit 1
fi
fixtures="$here/../shared/fixtures/real"
work="$(mktemp -d "${TMPDIR:-/tmp}/vx-fuzz-XXXXXX")"
# The files the fuzzer writes per input: in memory when the machine has /dev/shm.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then files="$(mktemp -d /dev/shm/vx-fuzz-XXXXXX)"; else files="$work/files"; fi
trap 'rm -rf "$work" "$files"' EXIT
mkdir -p "$work/corpus" "$files" "$build/fuzz-artifacts"
export VX_FUZZ_DIR="$files"

# The 4-byte little-endian length that starts an input, then the table, then the memo file.
le32() {
  local n=$1
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((n & 255)) $(((n >> 8) & 255)) $(((n >> 16) & 255)) \
    $(((n >> 24) & 255)))"
}
# Large tables are cut to their first 8 KiB and memo files to their first 16 KiB: fewer
# records and memos, the same layouts, many more runs per second.
limit=8192
memolimit=16384
i=0
for table in "$fixtures"/*.dbf "$fixtures"/*/*.dbf; do
  [ -f "$table" ] || continue
  base="${table%.*}"
  memo=""
  for ext in fpt FPT dbt DBT; do
    if [ -f "$base.$ext" ]; then memo="$base.$ext"; break; fi
  done
  size=$(stat -c %s "$table")
  if [ "$size" -gt "$limit" ]; then size=$limit; fi
  {
    le32 "$size"
    head -c "$size" "$table"
    if [ -n "$memo" ]; then head -c "$memolimit" "$memo"; fi
  } > "$work/corpus/seed$i"
  i=$((i + 1))
done
echo "Fuzzing the table engine for $seconds s from $i seeds"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=0"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run() {  # run FUZZER CORPUS SECONDS MAX_LEN MALLOC_LIMIT_MB
  if ! "$1" "$2" -max_total_time="$3" -max_len="$4" -malloc_limit_mb="$5" \
      -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/"; then
    echo "The fuzzer found a fault; the input is in $build/fuzz-artifacts/" >&2
    exit 1
  fi
}
run "$fuzzer" "$work/corpus" "$seconds" 32768 64
for target in gif:256 ani:64; do
  kind=${target%%:*}
  mkdir -p "$work/$kind"
  cp "$here/tests/fuzz/seeds/$kind"/* "$work/$kind/"
  echo "Fuzzing the $kind reader for $((seconds / 3)) s"
  run "$build/tests/fuzz/fuzz_$kind" "$work/$kind" $((seconds / 3 > 1 ? seconds / 3 : 1)) 65536 "${target#*:}"
done
# The clipboard's records format, seeded with the genuine copies of one, two and three records
# that the target writes itself.
mkdir -p "$work/clip"
VX_CLIP_SEEDS="$work/clip" "$build/tests/fuzz/fuzz_recordclip" -runs=0 "$work/clip" >/dev/null 2>&1
echo "Fuzzing the clipboard's records format for $((seconds / 3)) s"
run "$build/tests/fuzz/fuzz_recordclip" "$work/clip" $((seconds / 3 > 1 ? seconds / 3 : 1)) 16384 64
