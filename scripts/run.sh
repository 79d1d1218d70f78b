#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated device on COM1 and runs the program.
#   scripts/run.sh        English edition (VelmoraEn)
#   scripts/run.sh zh     Chinese edition (Velmora)
# With a display, the program opens: keep COM1 and 57600, click "Open Port" and
# "Start Sampling". Without one, a headless demo drives the real main dialog against the
# simulator and writes a screenshot of the live waveform.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

program="$build/app/VelmoraEn"
demo="$build/tools/demo/velmora-demo"
if [ "${1:-}" = "zh" ]; then
  program="$build/app/Velmora"
  demo="$build/tools/demo/velmora-demo-zh"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  shot="$root/velmora-demo.png"
  echo "No display: running the headless demo (xvfb-run -a scripts/run.sh runs the program on a"
  echo "virtual screen instead, for scripted checks: nobody sees it)."
  QT_QPA_PLATFORM=offscreen "$demo" "$shot"
  exit 0
fi

# The simulator's port link lives in a private configuration folder, so a real adapter
# mapped in ~/.config/velmora/ports stays untouched.
export XDG_CONFIG_HOME
XDG_CONFIG_HOME="$(mktemp -d)"
"$build/tools/sim/velmora-sim" --link COM1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$XDG_CONFIG_HOME"' EXIT
for _ in $(seq 50); do [ -e "$XDG_CONFIG_HOME/velmora/ports/COM1" ] && break; sleep 0.1; done
"$program"
