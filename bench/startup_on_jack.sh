#!/usr/bin/env bash
# The deck's start on a real sound server: a JACK dummy server and a private
# X server of this script's own (no window manager), a 10-minute 320 kbit/s
# MP3. Figures and floors as bench/StartupOnJack.cpp describes them.
#   bench/startup_on_jack.sh [ROUNDS]    (after: cmake --build build --target benchmarks)
# VYS_TEST_JACK_SERVER names the server (default vys-bench), for a machine
# where several checkouts run their own.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-7}
song=build/bench/mp3/bench320.mp3
for f in "$song" build/vys build/bench/startup_on_jack build/bench/window_startup build/bench/bare_window; do
  [ -e "$f" ] || { echo "missing $f: cmake --build build --target benchmarks"; exit 1; }
done

source tools/private-x.sh
start_private_x
export JACK_DEFAULT_SERVER=${VYS_TEST_JACK_SERVER:-vys-bench} JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
pids+=($!)
until jack_lsp >/dev/null 2>&1; do sleep 0.1; done

build/bench/startup_on_jack "$rounds" "$song" build/vys build/bench/window_startup build/bench/bare_window
