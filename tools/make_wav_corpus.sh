#!/usr/bin/env bash
# Makes tests/fuzz/corpus/wav_decode/: short WAV files of a 1 kHz tone in every kind of WAV that
# SDL reads, made by sox. They seed the fuzzer of the recording decoder, and the unit tests
# decode each of them (the 44.1 and 48 kHz stereo files in 16 and 24 bits are what a phone or
# Audacity records). 30 ms each, so that every file stays a few KB.
# Needs: sox.  Re-running it rewrites the same files byte for byte.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/tests/fuzz/corpus/wav_decode"
command -v sox >/dev/null || { echo "make_wav_corpus: sox is not installed" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/*.wav

make() {  # name, sox output options...
  local name="$1"
  shift
  # No comment chunk (sox's own name and version): the same file on every machine.
  sox --no-dither -n --comment "" "$@" "$out/$name.wav" synth 0.03 sine 1000 vol 0.5
}

make pcm8-8000-mono -r 8000 -c 1 -b 8 -e unsigned-integer
make pcm16-22050-mono -r 22050 -c 1 -b 16
make pcm16-44100-stereo -r 44100 -c 2 -b 16
make pcm16-48000-stereo -r 48000 -c 2 -b 16
make pcm16-96000-mono -r 96000 -c 1 -b 16
make pcm24-44100-stereo -r 44100 -c 2 -b 24
make pcm24-48000-stereo -r 48000 -c 2 -b 24
make pcm32-16000-mono -r 16000 -c 1 -b 32
make float32-32000-stereo -r 32000 -c 2 -b 32 -e floating-point
make ima-adpcm-22050-mono -r 22050 -c 1 -e ima-adpcm
make ms-adpcm-11025-stereo -r 11025 -c 2 -e ms-adpcm
make ulaw-8000-mono -r 8000 -c 1 -e u-law
make alaw-8000-stereo -r 8000 -c 2 -e a-law
# More than two channels: WAVE_FORMAT_EXTENSIBLE with 16-bit samples.
make extensible-pcm16-22050-4ch -r 22050 -c 4 -b 16
