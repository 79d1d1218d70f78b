#!/usr/bin/env bash
# Screenshots of both editions' main windows in a real X server (Xvfb), into docs/.
# Needs a build (scripts/build.sh) and the packages of scripts/install-deps.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
out="${1:-$root/docs}"
mkdir -p "$out"

shoot() {  # program, output file
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" & app=$!
    sleep 3
    import -window root -trim +repage "$2"
    kill $app' _ "$1" "$2"
  echo "wrote $2"
}

shoot "$build/app/VelmoraEn" "$out/velmora-en.png"
shoot "$build/app/Velmora" "$out/velmora-zh.png"
