#!/usr/bin/env bash
# Makes the MPEG audio test files from generated signals with lame and twolame.
#   make_mp3_fixtures.sh SIGNAL_TOOL OUT_DIR          the small files the tests use
#   make_mp3_fixtures.sh SIGNAL_TOOL OUT_DIR bench    a 10-minute 320 kbit/s file
set -euo pipefail
tool=$1 out=$2 what=${3:-tests}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lame=(lame --quiet --nohist)

if [ "$what" = bench ]; then
  "$tool" "$work/long.wav" 44100 2 600
  "${lame[@]}" -q 7 -b 320 "$work/long.wav" "$out/bench320.mp3"
  exit 0
fi

"$tool" "$work/s44.wav" 44100 2 6
"$tool" "$work/m22.wav" 22050 1 6
"$tool" "$work/m8.wav" 8000 1 6
"$tool" "$work/s48.wav" 48000 2 1
# Two quiet seconds first: the opening frames of a VBR file are then far
# smaller than the rest, as in many real songs.
"$tool" "$work/vbr.wav" 44100 2 10 2

"${lame[@]}" -b 128 "$work/s44.wav" "$out/cbr128.mp3"
"${lame[@]}" -m m -b 64 "$work/m22.wav" "$out/mpeg2_mono.mp3"
"${lame[@]}" -b 32 "$work/m8.wav" "$out/mpeg25.mp3"
"${lame[@]}" -V 4 "$work/vbr.wav" "$out/vbr_xing.mp3"
twolame --quiet -b 192 "$work/s44.wav" "$out/layer2.mp2"
# Without an Info frame (-t), so that their length must be estimated.
"${lame[@]}" -t -b 128 --id3v1-only --ta "Ozo" --tt "Night Drive" "$work/s44.wav" "$out/id3v1.mp3"
"${lame[@]}" -t -b 128 --id3v2-only --tt "Cover" --pad-id3v2-size 300000 "$work/s44.wav" "$out/id3v2_large.mp3"

# 128 kbit/s at 48 kHz never pads: every frame is 384 bytes, so whole frames
# can be cut from a file without an Info frame.
"${lame[@]}" -t -b 128 "$work/s48.wav" "$work/s48.mp3"
head -c $((19 * 384)) "$work/s48.mp3" > "$out/frames19.mp3"
head -c $((20 * 384)) "$work/s48.mp3" > "$out/frames20.mp3"
