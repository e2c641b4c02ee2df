#!/usr/bin/env bash
# Makes the MPEG audio test files from generated signals with lame and twolame.
#   make_mp3_fixtures.sh SIGNAL_TOOL OUT_DIR          the small files the tests use
#   make_mp3_fixtures.sh SIGNAL_TOOL OUT_DIR bench    10-minute 320 kbit/s files
# It also makes the dance beats that tempo analysis is tested on, as MP3 and FLAC.
set -euo pipefail
tool=$1 out=$2 what=${3:-tests}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lame=(lame --quiet --nohist)

if [ "$what" = bench ]; then
  "$tool" "$work/long.wav" 44100 2 600
  "${lame[@]}" -q 7 -b 320 "$work/long.wav" "$out/bench320.mp3"
  "$tool" "$work/beat.wav" 44100 2 600 --beat 126 0.25 4
  "${lame[@]}" -q 7 -b 320 "$work/beat.wav" "$out/beat320.mp3"
  exit 0
fi

# The signals stay beside the files they were encoded from, so that tests can
# tell which moment of the source a stretch of decoded audio is.
sig="$out/signals"
mkdir -p "$sig"
"$tool" "$sig/s44.wav" 44100 2 6
"$tool" "$sig/m22.wav" 22050 1 6
"$tool" "$sig/m8.wav" 8000 1 6
"$tool" "$work/s48.wav" 48000 2 1
# Two quiet seconds first: the opening frames of a VBR file are then far
# smaller than the rest, as in many real songs.
"$tool" "$sig/vbr.wav" 44100 2 10 2
# Long enough to seek to 30 s in, one for each rate of the longer files.
"$tool" "$sig/s44_40.wav" 44100 2 40
"$tool" "$sig/s48_40.wav" 48000 2 40
"$tool" "$sig/s22_40.wav" 22050 2 40
"$tool" "$sig/m11_40.wav" 11025 1 40
# Encoded as FLAC and cut to a third by a test: at this cut the FLAC
# library's reader cannot seek any more once it has met the end.
"$tool" "$sig/s48_6.wav" 48000 2 6

"${lame[@]}" -b 128 "$sig/s44.wav" "$out/cbr128.mp3"
"${lame[@]}" -m m -b 64 "$sig/m22.wav" "$out/mpeg2_mono.mp3"
"${lame[@]}" -b 32 "$sig/m8.wav" "$out/mpeg25.mp3"
"${lame[@]}" -V 4 "$sig/vbr.wav" "$out/vbr_xing.mp3"
twolame --quiet -b 192 "$sig/s44.wav" "$out/layer2.mp2"
"${lame[@]}" -b 320 "$sig/s44_40.wav" "$out/cbr320.mp3"
"${lame[@]}" -b 192 "$sig/s48_40.wav" "$out/mpeg1_48k.mp3"
"${lame[@]}" -b 32 "$sig/m11_40.wav" "$out/mpeg25_11k.mp3"
twolame --quiet -b 64 "$sig/s22_40.wav" "$out/layer2_22k.mp2"
# VBR without a Xing header: neither its length nor its frames' times are
# written anywhere.
"${lame[@]}" -t -V 4 "$sig/s44_40.wav" "$out/vbr_bare.mp3"
# The same opening quietly: its first frames all have the lowest bit rate.
"${lame[@]}" -t -V 4 "$sig/vbr.wav" "$out/vbr_quiet_bare.mp3"
# Without an Info frame (-t), so that their length must be estimated.
"${lame[@]}" -t -b 128 --id3v1-only --ta "Ozo" --tt "Night Drive" "$sig/s44.wav" "$out/id3v1.mp3"
"${lame[@]}" -t -b 128 --id3v2-only --tt "Cover" --pad-id3v2-size 300000 "$sig/s44.wav" "$out/id3v2_large.mp3"

# 128 kbit/s at 48 kHz never pads: every frame is 384 bytes, so whole frames
# can be cut from a file without an Info frame.
"${lame[@]}" -t -b 128 "$work/s48.wav" "$work/s48.mp3"
head -c $((19 * 384)) "$work/s48.mp3" > "$out/frames19.mp3"
head -c $((20 * 384)) "$work/s48.mp3" > "$out/frames20.mp3"

# Dance beats: BPM, first beat in seconds, then 4 s of quiet hi-hats before
# the kick enters; the tests know these values. The hi-hats and the bass
# fall between the beats, a trap for any beat finder; one tempo is not a
# whole number and one is above 160.
"$tool" "$work/beat85.wav" 44100 2 60 --beat 85 0.313 4
"$tool" "$work/beat128.wav" 44100 2 60 --beat 128 0.2 4
"$tool" "$work/beat174.wav" 48000 2 60 --beat 174.3 0.05 4
"${lame[@]}" -b 192 "$work/beat85.wav" "$out/beat85.mp3"
flac --silent --force -0 -o "$out/beat128.flac" "$work/beat128.wav"
"${lame[@]}" -b 192 "$work/beat174.wav" "$out/beat174.mp3"
# Hi-hats alone, the intro all through: a beat without a kick.
"$tool" "$work/hats122.wav" 44100 2 30 --beat 122.5 0.2 30
flac --silent --force -0 -o "$out/hats122.flac" "$work/hats122.wav"
