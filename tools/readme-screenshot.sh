#!/usr/bin/env bash
# Paints the README's picture of the deck window: a private X server with a
# window manager, vys playing a test tone to the null output, and a grab of
# the window once it shows the song. Usage: tools/readme-screenshot.sh [OUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/window.png}"
cmake --build build --target vys window-shot make_signal_wav >/dev/null

source tools/private-x.sh

build/tools/make_signal_wav "$work/Test tone.wav" 44100 2 120
start_private_x
# A window mapped while the manager is still starting can stay unmapped: wait for it.
openbox --startup "touch $work/wm-ready" >/dev/null 2>&1 &
pids+=($!)
while [ ! -e "$work/wm-ready" ]; do sleep 0.1; done
VYS_AUDIO=null build/vys "$work/Test tone.wav" >/dev/null 2>&1 &
pids+=($!)
window="$(xdotool search --sync --onlyvisible --name '^ Vy-S: ')"
sleep 2  # let the meter and the time move, so that the picture shows a playing deck
mkdir -p "$(dirname "$out")"
build/window-shot "$window" "$out" 2>/dev/null
echo "wrote $out"
