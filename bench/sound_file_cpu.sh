#!/usr/bin/env bash
# Decoding cost per audio second of the sound file decoder against the
# codecs' own command-line decoders on the same files, in the same run:
# `flac -d -c` for FLAC, `opusdec` for Opus, and for AAC in M4A the MPEG-4
# decoder against `ffmpeg -f null` (the same FFmpeg decoder, no output). CPU is the scheduler's run
# time of the whole process (perf stat -e task-clock); each figure is the
# median of RUNS runs, taken in turn A B A B so that drift hits both alike.
#   bench/sound_file_cpu.sh [RUNS] [SECONDS]
#   (after: cmake --build build --target sound_file_decode make_signal_wav)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
seconds=${2:-120}
ours=build/bench/sound_file_decode
signal=build/tools/make_signal_wav
[ -x "$ours" ] && [ -x "$signal" ] || {
  echo "build first: cmake --build build --target sound_file_decode make_signal_wav"
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$signal" "$work/song.wav" 44100 2 "$seconds"
flac --silent -5 -o "$work/song.flac" "$work/song.wav"
opusenc --quiet --bitrate 160 "$work/song.wav" "$work/song.opus"
ffmpeg -nostdin -v error -i "$work/song.wav" -c:a aac -b:a 256k "$work/song.m4a"

# Milliseconds of task-clock of one run of the command.
task_ms() {
  perf stat -x, -e task-clock -- "$@" 2>&1 >/dev/null | awk -F, '/task-clock/ {print $1}'
}

median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

compare() {  # label, file, peer command...
  local label=$1 file=$2
  shift 2
  local a b ratios=() as=() bs=()
  "$ours" "$file" && "$@" >/dev/null 2>&1  # warm-up: both from the page cache
  for ((i = 0; i < runs; i++)); do
    a=$(task_ms "$ours" "$file")
    b=$(task_ms "$@")
    as+=("$a") bs+=("$b")
    ratios+=("$(awk -v a="$a" -v b="$b" 'BEGIN {print a / b}')")
  done
  a=$(printf '%s\n' "${as[@]}" | median)
  b=$(printf '%s\n' "${bs[@]}" | median)
  printf '%-5s ours %7.3f ms/s   %-14s %7.3f ms/s   ratio %.3f (median of %d pairs)\n' "$label" \
    "$(awk -v v="$a" -v s="$seconds" 'BEGIN {print v / s}')" "$1" \
    "$(awk -v v="$b" -v s="$seconds" 'BEGIN {print v / s}')" \
    "$(printf '%s\n' "${ratios[@]}" | median)" "$runs"
}

echo "$seconds s of 44.1 kHz stereo, $runs runs each"
compare FLAC "$work/song.flac" flac -d -c --silent "$work/song.flac"
compare Opus "$work/song.opus" opusdec --quiet "$work/song.opus" -
compare AAC "$work/song.m4a" ffmpeg -nostdin -v error -i "$work/song.m4a" -f null -
