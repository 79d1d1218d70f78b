#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package velmora_<version>_<arch>.deb
# in build/ (or $VELMORA_BUILD_DIR). Install it with: sudo apt install ./build/velmora_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$build"
cpack -G DEB
