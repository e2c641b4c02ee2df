#!/usr/bin/env bash
# Where a deck playing on a JACK dummy server spends its CPU: every thread's
# run time (/proc/PID/task/*/schedstat) over SECONDS of play after the start
# has settled, in % of one core, shown and then unmapped (as minimized).
# The JACK server's own run time in the same span is shown beside it.
#   bench/deck_threads_on_jack.sh [SECONDS]    (after: cmake --build build --target benchmarks)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
settle=3
song=build/bench/mp3/bench320.mp3
[ -e "$song" ] && [ -x build/vys ] || { echo "build the benchmarks first: cmake --build build --target benchmarks"; exit 1; }

source tools/private-x.sh
start_private_x
export JACK_DEFAULT_SERVER=${VYS_TEST_JACK_SERVER:-vys-bench} JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
jackd=$!
pids+=("$jackd")
until jack_lsp >/dev/null 2>&1; do sleep 0.1; done

# thread name/id and run-time ns, one line per thread of process $1; its
# first thread is the window's. The deck's other busy threads share its name:
# the player thread starts before the output, whose JACK thread comes last.
threads() {
  for task in /proc/"$1"/task/*; do
    local name
    name=$(tr ' ' '_' <"$task/comm")
    [ "${task##*/}" = "$1" ] && name=window
    echo "$name/${task##*/} $(cut -d' ' -f1 "$task/schedstat")"
  done
}

# Per-thread % of a core between two samples.
span() {  # before-file after-file
  awk -v s="$seconds" 'NR == FNR { before[$1] += $2; next } { after[$1] += $2 }
    END { for (t in after) { total += after[t] - before[t]; printf "  %-16s %6.2f %%\n", t, (after[t] - before[t]) / s / 1e7 }
          printf "  %-16s %6.2f %%\n", "all", total / s / 1e7 }' "$1" "$2"
}

build/vys -sc 1 "$song" 2>/dev/null &
deck=$!
pids+=("$deck")
sleep "$settle"
window=$(xdotool search --pid "$deck" --name '^ Vy' | head -1)
for state in shown hidden; do
  [ "$state" = hidden ] && { xdotool windowunmap "$window"; sleep 1; }
  threads "$deck" >"$work/before"; threads "$jackd" >"$work/jack_before"
  sleep "$seconds"
  threads "$deck" >"$work/after"; threads "$jackd" >"$work/jack_after"
  echo "deck playing on JACK, window $state, $seconds s:"
  span "$work/before" "$work/after" | sort -k2 -n -r
  echo "  JACK server: $(span "$work/jack_before" "$work/jack_after" | awk '$1 == "all" { print $2 }') %"
done
