#!/usr/bin/env bash
# Where a deck playing on a JACK dummy server (48 kHz, 256-frame periods)
# spends its CPU and memory, beside its floors, in ROUNDS rounds:
#   - every thread's run time (/proc/PID/task/*/schedstat) over SECONDS of
#     play after the start has settled, in % of one core, window shown and
#     then unmapped (as minimized); the JACK server's own run time beside it;
#   - the song is analysed before, into the run's own cache, as a DJ's set
#     is: the deck plays it without analysing it again;
#   - resident memory while shown: the Rss of every mapping in
#     /proc/PID/smaps except the JACK server's shared segments (files under
#     /dev/shm/jack*), which the server owns and every client maps;
#   - floors, measured after the deck in each round: silent_jack_client, a bare
#     JACK client wired as the deck is and writing silence (its process
#     thread is what libjack and the wake-ups cost); ticking_window, a bare Qt
#     window that repaints a hundredths-sized widget on each 37 ms tick as the
#     deck does; bare_window with a caption, the memory floor of a Qt window
#     that draws text.
#     A floor runs alone, never beside the deck: JACK wakes a client's
#     successor from that client's thread, which would move run time between
#     them.
#   bench/deck_threads_on_jack.sh [SECONDS] [ROUNDS]   (after: cmake --build build --target benchmarks)
# BENCH_DECK names another build of the deck to measure (an earlier one, say).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
rounds=${2:-3}
settle=3
song=build/bench/mp3/bench320.mp3
deck_program=${BENCH_DECK:-build/vys}
for f in "$song" "$deck_program" build/bench/silent_jack_client build/bench/ticking_window build/bench/bare_window; do
  [ -e "$f" ] || { echo "missing $f: cmake --build build --target benchmarks"; exit 1; }
done
hundredths_per_second=27  # the display timer's ticks; the hundredths change on each

source tools/private-x.sh
export XDG_CACHE_HOME="$work/cache"
"$deck_program" --analyze "$song" >/dev/null
start_private_x
export JACK_DEFAULT_SERVER=${VYS_TEST_JACK_SERVER:-vys-bench} JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
jackd=$!
pids+=("$jackd")
until jack_lsp >/dev/null 2>&1; do sleep 0.1; done

# thread name/id and run-time ns, one line per thread of process $1; its
# first thread is named "main". The deck's other busy threads share its name:
# the player thread starts before the output, whose JACK thread comes last.
threads() {
  for task in /proc/"$1"/task/*; do
    local name
    name=$(tr ' ' '_' <"$task/comm")
    [ "${task##*/}" = "$1" ] && name=main
    echo "$name/${task##*/} $(cut -d' ' -f1 "$task/schedstat")"
  done
}

# Per-thread % of a core between two samples, busiest first, then the sum.
span() {  # before-file after-file
  awk -v s="$seconds" 'NR == FNR { before[$1] += $2; next } { after[$1] += $2 }
    END { for (t in after) { total += after[t] - before[t]; printf "  %-22s %6.2f %%\n", t, (after[t] - before[t]) / s / 1e7 }
          printf "  %-22s %6.2f %%\n", "all", total / s / 1e7 }' "$1" "$2" | sort -k2 -n -r
}

rss_mib() {  # pid
  awk '/^[0-9a-f]+-[0-9a-f]+ / { jack = ($6 ~ /^\/dev\/shm\/jack/) }
       /^Rss:/ { if (jack) shared += $2; else own += $2 }
       END { printf "%.1f MiB (JACK segments %.1f MiB more)", own / 1024, shared / 1024 }' /proc/"$1"/smaps
}

# Samples every process named in $@ over $seconds; prints each one's threads.
measure() {  # label:pid...
  local item
  for item in "$@"; do threads "${item#*:}" >"$work/${item%%:*}.before"; done
  threads "$jackd" >"$work/jack.before"
  sleep "$seconds"
  for item in "$@"; do threads "${item#*:}" >"$work/${item%%:*}.after"; done
  threads "$jackd" >"$work/jack.after"
  for item in "$@"; do
    echo " ${item%%:*}:"
    span "$work/${item%%:*}.before" "$work/${item%%:*}.after"
  done
  echo "  JACK server: $(span "$work/jack.before" "$work/jack.after" | awk '$1 == "all" { print $2 }') %"
}

stop() { kill "$@"; wait "$@" 2>/dev/null || true; }

for round in $(seq "$rounds"); do
  echo "== round $round, $seconds s each"
  "$deck_program" -sc 1 "$song" 2>/dev/null &
  deck=$!
  sleep "$settle"
  window=$(xdotool search --pid "$deck" --name '^ Vy' | head -1)
  echo "deck playing, window shown: resident $(rss_mib "$deck")"
  measure "deck:$deck"
  xdotool windowunmap "$window"
  sleep 1
  echo "deck playing, window hidden:"
  measure "deck:$deck"
  stop "$deck"

  build/bench/silent_jack_client &
  client=$!
  build/bench/ticking_window ticking "$hundredths_per_second" &
  ticking=$!
  build/bench/bare_window bare "Vy-System" &
  bare=$!
  sleep "$settle"
  echo "floors: bare window resident $(rss_mib "$bare"), silent JACK client resident $(rss_mib "$client")"
  measure "silent_jack_client:$client" "ticking_window:$ticking"
  stop "$client" "$ticking" "$bare"
done
