#!/bin/sh
# Rebuilds the pictures and message icons from tools/artwork/main.cpp.
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${TMPDIR:-/tmp}/vx-artwork-build
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/vx_artwork" "$root/resources"
