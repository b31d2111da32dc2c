#!/usr/bin/env bash
# Checks that the folders include only downwards, then sets up, builds and runs the whole test
# suite twice: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer; then the row store, the row loader and the
# worker threads under ThreadSanitizer (their tests alone); then a short fuzzing run of the
# table reader.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Folder layers"
bash tools/check_layers.sh

echo "== Normal build"
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j"$jobs")

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
bash scripts/build.sh build-asan -DVELLIBROX_SANITIZE=ON -DVELLIBROX_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$here/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs")

echo "== ThreadSanitizer build of the row store, the loader and the workers"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLIBROX_TSAN=ON -DVELLIBROX_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target test_threads
(cd build-tsan/tests && env -u ASAN_OPTIONS -u LSAN_OPTIONS -u UBSAN_OPTIONS \
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/tests/tsan.supp" ./test_threads)

if [ -f tests/fuzz/CMakeLists.txt ]; then
  echo "== Fuzzing the table reader"
  CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DVELLIBROX_FUZZ=ON -DVELLIBROX_GUI=OFF -DVELLIBROX_BENCH=OFF
  bash tests/fuzz/run.sh build-fuzz "${FUZZ_SECONDS:-60}"
fi
echo "All tests passed."
