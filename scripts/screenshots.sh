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

# The recording and the prompt line: the program against the simulator on COM1, Open Port
# and Start Sampling clicked with xdotool (button centres in window pixels, as laid out on
# this virtual screen), then a screenshot; with "menu" the window menu is opened first.
session() {  # program, window title, open x y, start x y, simulator rate, what, output
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -e
    export XDG_CONFIG_HOME="$(mktemp -d)"
    record="$XDG_CONFIG_HOME/velmora-20261207-101500.csv"
    "$1/tools/sim/velmora-sim" --link COM1 --rate "$8" --quiet & sim=$!
    sleep 1
    if [ "$9" = no-data ]; then "$2" & app=$!; else "$2" --record "$record" & app=$!; fi
    win=$(xdotool search --sync --name "$3" | head -1)
    sleep 2
    xdotool mousemove --window "$win" "$4" "$5" click 1
    sleep 1.5
    xdotool mousemove --window "$win" "$6" "$7" click 1
    sleep 4
    if [ "$9" = menu ]; then
      xdotool mousemove --window "$win" 700 478 click 3
      sleep 1
    fi
    import -window root -trim +repage "${10}"
    kill $app $sim
    rm -rf "$XDG_CONFIG_HOME"' _ "$build" "$@"
  echo "wrote ${*: -1}"
}

en=("$build/app/VelmoraEn" "Skin-Resistance Sensor Demo" 241 548 365 526)
zh=("$build/app/Velmora" "皮肤电阻传感器演示" 226 546 346 526)
session "${en[@]}" 200 menu "$out/velmora-en-menu.png"
session "${en[@]}" 200 recording "$out/velmora-en-recording.png"
session "${en[@]}" 0.01 no-data "$out/velmora-en-no-data.png"
session "${zh[@]}" 0.01 no-data "$out/velmora-zh-no-data.png"
