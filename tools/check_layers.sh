#!/usr/bin/env bash
# Checks that the code folders include only downwards: each folder's #include "folder/..."
# lines name only itself and the folders below it. From the top:
#   mainwindow
#   editors  export      (side by side: neither includes the other)
#   common
#   imaging
#   controls
#   engine
#   platform
# Prints every include that points up or sideways and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(mainwindow "editors export" common imaging controls engine platform)
bad=0
for ((i = 0; i < ${#order[@]}; i++)); do
  below=""
  for ((j = i + 1; j < ${#order[@]}; j++)); do below+=" ${order[j]}"; done
  for dir in ${order[i]}; do
    allowed=" $dir$below "
    while IFS=: read -r file line target; do
      folder=${target%%/*}
      if [[ "$allowed" != *" $folder "* ]]; then
        echo "$file:$line: $dir/ includes $target, which is not below it"
        bad=1
      fi
    done < <(grep -HnoE '^#include "[a-z_]+/[^"]+"' "$dir"/*.cpp "$dir"/*.h 2>/dev/null |
             sed -E 's/#include "([^"]+)"/\1/')
  done
done
if [ "$bad" = 0 ]; then echo "Folder layers: every include points down."; fi
exit "$bad"
