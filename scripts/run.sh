#!/usr/bin/env bash
# Sets up, builds and starts the application on the bundled sample table, or on the table
# given as the first argument.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" build
table=${1:-}
if [ -z "$table" ] && [ -x "$here/build/make_sample" ]; then
  "$here/build/make_sample" "$here/build/sample/sample.dbf" >/dev/null
  table="$here/build/sample/sample.dbf"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting under xvfb-run."
  exec xvfb-run -a "$here/build/vellibrox" ${table:+"$table"}
fi
exec "$here/build/vellibrox" ${table:+"$table"}
