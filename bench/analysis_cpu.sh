#!/usr/bin/env bash
# Track analysis of a 10-minute 320 kbit/s MP3 (a dance beat), decoding
# included, against `mpg123 -t` decoding the same file, in the same run.
# CPU is the scheduler's run time of the whole process (perf stat -e
# task-clock), taken in turn A B A B so that drift hits both alike; the
# analysis also prints its wall time and the time to its first overview
# columns. Each figure is the median of RUNS runs.
#   bench/analysis_cpu.sh [RUNS]
#   (after: cmake --build build --target analyse_track mp3_bench_fixture)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
ours=build/bench/analyse_track
file=build/bench/mp3/beat320.mp3
[ -x "$ours" ] && [ -f "$file" ] || {
  echo "build first: cmake --build build --target analyse_track mp3_bench_fixture"
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds of task-clock of one run of the command; its output goes to $work/out.
task_ms() {
  perf stat -x, -o "$work/stat" -e task-clock -- "$@" >"$work/out" 2>/dev/null
  awk -F, '/task-clock/ {print $1}' "$work/stat"
}

median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

"$ours" "$file" >/dev/null && mpg123 -q -t "$file"  # warm-up: both from the page cache
as=() bs=() ratios=() walls=() firsts=() decoding=() others=()
for ((i = 0; i < runs; i++)); do
  a=$(task_ms "$ours" "$file")
  walls+=("$(awk '/whole analysis/ {print $(NF - 1)}' "$work/out")")
  firsts+=("$(awk '/first overview columns/ {print $4}' "$work/out")")
  decoding+=("$(awk '/run time/ {print $5}' "$work/out")")
  others+=("$(awk '/run time/ {print $9}' "$work/out")")
  b=$(task_ms mpg123 -q -t "$file")
  as+=("$a") bs+=("$b")
  ratios+=("$(awk -v a="$a" -v b="$b" 'BEGIN {print a / b}')")
done
"$ours" "$file" | head -1
printf 'analysis CPU %.0f ms   mpg123 -t %.0f ms   ratio %.2f (median of %d pairs)\n' \
  "$(printf '%s\n' "${as[@]}" | median)" "$(printf '%s\n' "${bs[@]}" | median)" \
  "$(printf '%s\n' "${ratios[@]}" | median)" "$runs"
printf 'analysis wall %.0f ms   first overview columns %.1f ms (medians)\n' \
  "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${firsts[@]}" | median)"
printf 'run time: decoding thread %.0f ms, level meters %.0f ms (medians; the wall time with two free cores)\n' \
  "$(printf '%s\n' "${decoding[@]}" | median)" "$(printf '%s\n' "${others[@]}" | median)"
uptime
