#!/usr/bin/env bash
# Installs what is missing, builds the optimised program (ci preset), makes the Debian package
# build/package/otdr-viewer_<version>_<arch>.deb and checks it. Install it with
#   sudo apt-get install ./build/package/otdr-viewer_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
rm -rf build/package
cpack --preset ci
scripts/check-package.sh
ls build/package/otdr-viewer_*.deb
