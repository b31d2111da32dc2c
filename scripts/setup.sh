#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need (run as root).
# Only what is missing is installed, so a ready machine is left untouched.
set -euo pipefail
PKGS=(build-essential cmake pkg-config qt6-base-dev libgtest-dev libgmock-dev libjpeg62-turbo-dev
      libbenchmark-dev libxxhash-dev clang libclang-rt-14-dev xvfb xauth xdotool fonts-dejavu-core pgdbf libreoffice-calc-nogui
      python3-dbfread gdal-bin python3-xlrd libxml2-utils imagemagick)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
