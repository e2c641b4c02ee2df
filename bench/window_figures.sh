#!/usr/bin/env bash
# The deck window's figures, each beside a floor measured in the same run, on
# a private X server (Xvfb, no window manager) and the null output, with a
# 10-minute 320 kbit/s MP3:
#   - start-up: from the fork of `vys SONG` to its window mapped with the
#     caption " Vy-S: " + title. The window maps first, then opens the song
#     and sets that caption at once, and opening with "play when open"
#     returns only once the deck plays, so the caption means: loaded and
#     playing (bench/startup_on_jack.sh times the map itself). Floor: bare_window, an empty Qt window of the same size, to
#     its window mapped.
#   - resident memory (VmRSS) after 20 s of play; floor: the bare window.
#   - CPU while playing, from 5 s to 20 s after start-up: the scheduler's run
#     time of every thread (/proc/PID/task/*/schedstat). Floor: vys-deck, the
#     console deck, playing the same file. Beside it, ticking_window: what any
#     Qt window costs that wakes every 37 ms and repaints as often as vys. The
#     X server's run time in the same span is shown too: drawing the window
#     costs there as well.
# Then the window's paints per control while it plays (window_paints).
#   bench/window_figures.sh [REPEATS]    (after: cmake --build build --target benchmarks)
# BENCH_SONG and BENCH_AUDIO replace the song and the output for both: the
# null output's cursor moves in 85 ms steps and a steady tone keeps the
# meter still, so music on the capture (BENCH_AUDIO=wav:/tmp/c.wav) shows
# what a real card makes the window paint.
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${1:-5}
settle=5  # seconds: CPU is counted after the start-up has settled...
play=20   # ...up to here, when resident memory is read
startup_extra=3  # start-ups measured alone in each run, beside the one of each sampled window
song=${BENCH_SONG:-build/bench/mp3/bench320.mp3}
for f in "$song" build/vys build/vys-deck build/bench/bare_window build/bench/window_startup build/bench/window_paints; do
  [ -e "$f" ] || { echo "missing $f: cmake --build build --target benchmarks"; exit 1; }
done

source tools/private-x.sh
start_private_x
export VYS_AUDIO=${BENCH_AUDIO:-null}

run_time_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { print ns + 0 }'; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' /proc/"$1"/status; }

# Plays $settle..$play seconds of process $1; prints: resident KiB at the end,
# its run time and the X server's in the span (ns).
sample() {
  sleep "$settle"
  local own=$(run_time_ns "$1") x=$(run_time_ns "$x_server")
  sleep $((play - settle))
  echo "$(rss_kib "$1") $(($(run_time_ns "$1") - own)) $(($(run_time_ns "$x_server") - x))"
}

# Starts a window under the start-up clock; sets pid, ms (its start-up) and watcher.
launch() {  # title prefix, command...
  rm -f "$work/shown"
  build/bench/window_startup "$@" >"$work/shown" 2>/dev/null &
  watcher=$!
  while [ ! -s "$work/shown" ]; do
    kill -0 "$watcher" 2>/dev/null || { echo "no window from: ${*:2}" >&2; exit 1; }
    sleep 0.01
  done
  read -r pid ms <"$work/shown"
}

stop() {
  kill "$pid"
  wait "$watcher" || true
}

# A window's start-up ms, then sample's figures.
window() {
  launch "$@"
  echo "$ms $(sample "$pid")"
  stop
}

# Start-up alone, in ms.
startup() {
  launch "$@"
  echo "$ms"
  stop
}

console() {
  printf 'wait %d\n' $(((play + 10) * 1000)) | build/vys-deck "$song" >/dev/null 2>&1 &
  local pid=$!
  echo "$(sample "$pid")"
  kill "$pid"
  wait "$pid" || true
}

# The rate at which the window repaints while it plays, for the ticking floor.
paints=$(build/bench/window_paints "$song" 10 2>/dev/null | tee "$work/paints" | awk '$1 == "all" { print $2 }')

for ((i = 1; i <= repeats; i++)); do
  window 'bare' build/bench/bare_window bare >>"$work/bare"
  window 'ticking' build/bench/ticking_window ticking "$paints" >>"$work/ticking"
  window ' Vy-S: ' build/vys "$song" >>"$work/vys"
  startup 'bare' build/bench/bare_window bare T >>"$work/captioned"
  console >>"$work/console"
  # Start-up varies by several milliseconds from one run to the next on a
  # shared machine: more runs, interleaved, steady its median.
  for ((extra = 1; extra <= startup_extra; extra++)); do
    startup 'bare' build/bench/bare_window bare >>"$work/bare_startup"
    startup ' Vy-S: ' build/vys "$song" >>"$work/vys_startup"
    startup 'bare' build/bench/bare_window bare T >>"$work/captioned"
  done
  echo "run $i of $repeats: bare $(tail -1 "$work/bare") | vys $(tail -1 "$work/vys") | console $(tail -1 "$work/console")" >&2
done

python3 - "$work" "$repeats" "$((play - settle))" "$paints" <<'EOF'
import statistics, sys
work, runs, span = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
def values(name, i):
    try:
        return [float(line.split()[i]) for line in open(f"{work}/{name}")]
    except FileNotFoundError:
        return []
def column(name, i):
    return statistics.median(values(name, i))
core = lambda ns: ns / 1e9 / span * 100  # % of one core
startups = lambda name: values(name, 0) + values(f"{name}_startup", 0)
bare_ms, vys_ms = statistics.median(startups("bare")), statistics.median(startups("vys"))
bare_mb, vys_mb = column("bare", 1) / 1024, column("vys", 1) / 1024
vys_cpu, deck_cpu = core(column("vys", 2)), core(column("console", 1))
print(f"medians of {runs} runs ({len(startups('vys'))} start-ups of each window)")
print(f"start-up: vys {vys_ms:.1f} ms, bare window {bare_ms:.1f} ms: ratio {vys_ms / bare_ms:.2f} (target <= 1.50)")
print(f"  beside a bare window that shows one caption (so loads the fonts, as vys must): "
      f"{column('captioned', 0):.1f} ms, ratio {vys_ms / column('captioned', 0):.2f}")
print(f"resident after {span + 5:.0f} s: vys {vys_mb:.1f} MB, bare window {bare_mb:.1f} MB: "
      f"+{vys_mb - bare_mb:.1f} MB (target <= +20 MB)")
print(f"CPU playing: vys {vys_cpu:.2f} % of a core, vys-deck {deck_cpu:.2f} %: "
      f"{vys_cpu - deck_cpu:+.2f} points (target <= +0.50), ratio {vys_cpu / deck_cpu:.2f}")
ticking_cpu = core(column("ticking", 2))
print(f"  a bare Qt window that ticks every 37 ms and repaints as often as vys ({sys.argv[4]}/s) alone costs "
      f"{ticking_cpu:.2f} %: vys is that window + vys-deck {vys_cpu - ticking_cpu - deck_cpu:+.2f} points")
print(f"X server in the same span: {core(column('vys', 3)):.2f} % while vys plays, "
      f"{core(column('bare', 3)):.2f} % beside the bare window, {core(column('console', 2)):.2f} % beside vys-deck")
EOF

echo
echo "paints while playing (window_paints, 10 s):"
cat "$work/paints"
