#!/usr/bin/env bash
# CPU per playing deck: the console plays a 320 kbit/s 44.1 kHz MP3 for a
# while on the null device, at pitch 0 on a 44.1 kHz device (nothing is
# resampled) and at +8 % on a 48 kHz device. mpg123 -t decoding the same
# stretch of the file, measured in the same run, is the floor.
#   bench/deck_cpu.sh [SECONDS]    (after: cmake --build build --target benchmarks)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
song=build/bench/mp3/bench320.mp3
deck=build/vys-deck
[ -f "$song" ] && [ -x "$deck" ] || { echo "build the benchmarks first: cmake --build build --target benchmarks"; exit 1; }

# CPU seconds (user, system) and peak resident kilobytes of a command, from
# the kernel's accounting in microseconds (time(1) rounds to 10 ms).
measure() {
  python3 -c '
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdin=sys.stdin, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(r.ru_utime, r.ru_stime, r.ru_maxrss)' "$@"
}

run_deck() {  # rate, pitch nudge
  printf 'nudge %s\nwait %s\nquit\n' "$2" "$((seconds * 1000))" |
    VYS_AUDIO=null VYS_AUDIO_RATE=$1 measure "$deck" "$song"
}

# mpg123 decodes the whole file as fast as it can: its start-up is then
# spread over ten minutes of audio, as the deck's would be over a set.
file_seconds=600
read -r mu ms mk <<<"$(measure mpg123 -q -t "$song")"
read -r au as ak <<<"$(run_deck 44100 0)"
read -r bu bs bk <<<"$(run_deck 48000 800)"
awk -v s="$seconds" -v f="$file_seconds" -v mu="$mu" -v ms="$ms" -v au="$au" -v as="$as" -v ak="$ak" -v bu="$bu" -v bs="$bs" -v bk="$bk" 'BEGIN {
  floor = (mu + ms) / f; unity = (au + as) / s; pitched = (bu + bs) / s
  printf "mpg123 -t (decoding only): %.5f CPU s per s of audio\n", floor
  printf "deck, pitch 0, 44.1 kHz:   %.5f CPU s per s (%.2f %% of a core), ratio %.2f, peak RSS %d KiB\n", unity, unity * 100, unity / floor, ak
  printf "deck, +8 %%, 48 kHz:        %.5f CPU s per s (%.2f %% of a core), ratio %.2f, peak RSS %d KiB\n", pitched, pitched * 100, pitched / floor, bk
}'
