#!/usr/bin/env bash
# CPU per playing deck: the console plays a 320 kbit/s 44.1 kHz MP3 on the
# null device, at pitch 0 on a 44.1 kHz device (nothing is resampled) and at
# +8 % on a 48 kHz device. mpg123 -t decoding the whole file, measured in the
# same run, is the floor.
#   bench/deck_cpu.sh [SECONDS]    (after: cmake --build build --target benchmarks)
#
# Two clocks: the scheduler's run time of every thread (read from
# /proc/PID/task/*/schedstat while the command runs), and getrusage. On a
# kernel with tick-based accounting the second charges a command that sleeps
# and wakes often several times what it ran; both are shown.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
short=5
song=build/bench/mp3/bench320.mp3
deck=build/vys-deck
[ -f "$song" ] && [ -x "$deck" ] || { echo "build the benchmarks first: cmake --build build --target benchmarks"; exit 1; }

# Prints: run-time seconds, rusage CPU seconds, peak resident KiB.
measure() {
  python3 -c '
import glob, resource, subprocess, sys, time
p = subprocess.Popen(sys.argv[1:], stdin=sys.stdin, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
ran = {}
while p.poll() is None:
    for f in glob.glob("/proc/%d/task/*/schedstat" % p.pid):
        try: ran[f] = int(open(f).read().split()[0])
        except (OSError, ValueError, IndexError): pass
    time.sleep(0.005)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(sum(ran.values()) / 1e9, r.ru_utime + r.ru_stime, r.ru_maxrss)' "$@"
}

run_deck() {  # rate, pitch nudge, seconds
  printf 'nudge %s\nwait %s\nquit\n' "$2" "$(($3 * 1000))" |
    VYS_AUDIO=null VYS_AUDIO_RATE=$1 measure "$deck" "$song"
}

# mpg123 decodes the whole file as fast as it can: its start-up is then
# spread over ten minutes of audio, as the deck's would be over a set.
file_seconds=600
read -r floor_run floor_rusage _ <<<"$(measure mpg123 -q -t "$song")"
awk -v r="$floor_run" -v u="$floor_rusage" -v f="$file_seconds" 'BEGIN {
  printf "mpg123 -t (decoding only): %.5f CPU s per s of audio by run time, %.5f by rusage\n", r / f, u / f }'

# The whole run, as asked; the steady state from the difference with a short
# run, which also leaves the start-up (loading, first fill, tables).
report() {  # label, rate, nudge
  read -r wr wu wk <<<"$(run_deck "$2" "$3" "$seconds")"
  read -r sr su _ <<<"$(run_deck "$2" "$3" "$short")"
  awk -v l="$1" -v s="$seconds" -v sh="$short" -v wr="$wr" -v wu="$wu" -v sr="$sr" -v su="$su" -v k="$wk" \
      -v fr="$floor_run" -v fu="$floor_rusage" -v f="$file_seconds" 'BEGIN {
    fr /= f; fu /= f
    printf "%s, whole %d-s run: %.5f CPU s per s (%.2f %% of a core), ratio %.2f | rusage %.5f, ratio %.2f\n", \
      l, s, wr / s, wr / s * 100, wr / s / fr, wu / s, wu / s / fu
    steady = (wr - sr) / (s - sh); steadyU = (wu - su) / (s - sh)
    printf "%s, steady state: %.5f CPU s per s (%.2f %% of a core), ratio %.2f | rusage %.5f, ratio %.2f\n", \
      l, steady, steady * 100, steady / fr, steadyU, steadyU / fu
    printf "%s, start-up %.3f CPU s (rusage %.3f), peak RSS %d KiB\n", l, sr - sh * steady, su - sh * steadyU, k
  }'
}
report "pitch 0, 44.1 kHz" 44100 0
report "+8 %, 48 kHz" 48000 800
