#!/usr/bin/env bash
# Makes Wordmeadow's sound recordings in recordings/:
#   Welcome.wav, Correct.WAV, TryAgain.WAV, Clap.WAV and A.wav .. Z.wav, and in
#   recordings/words/ one file per word of Beginning Sounds, named as the
#   program's word list (activities/word_list.cpp) says.
# Speech comes from flite (voice "slt"); the applause is synthesised with sox.
# Needs: flite, sox.  Re-running it rewrites the same files byte for byte.
#
# Every file ends up mono, 16-bit signed PCM, 22050 Hz, plain RIFF/WAVE so
# SDL_LoadWAV reads it, with the silence at both ends cut off so a sound
# plays the moment the child clicks.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/recordings"

RATE=22050
# Speech is levelled to this RMS (measured over the voiced parts only) so
# letters and prompts sound about equally loud; the peak never goes above
# PEAK_DB, whichever limit is reached first.
TARGET_RMS_DB=-12
PEAK_DB=-1

for tool in flite sox; do
    command -v "$tool" >/dev/null || { echo "make_recordings: $tool is not installed" >&2; exit 1; }
done
flite -lv | grep -qw slt || { echo "make_recordings: flite has no slt voice" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out" "$out/words"

# -R seeds sox's noise generator and dither with fixed values, so the output
# does not change from run to run.
sx() { sox -R -V1 "$@"; }

WORK_FMT=(-e floating-point -b 32)
OUT_FMT=(-t wav -e signed-integer -b 16 -c 1 -r "$RATE")

# Cut leading and trailing silence.  The threshold sits just above flite's
# noise floor once the peak is at -1 dBFS.
TRIM=(silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse)

# Prints "<peak dB> <rms dB>" of a file, the RMS taken with pauses removed so
# a sentence with gaps is not judged quieter than a single word.
measure() {
    local peak rms
    peak=$(sx "$1" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}')
    rms=$(sx "$1" -n silence -l 1 0.01 -40d -1 0.05 -40d stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
    echo "$peak $rms"
}

# Writes the final 16-bit file from a float work file, levelled as above.
# The tiny fades stop the trimmed ends from clicking.
finish() {
    local src=$1 dest=$2 peak rms gain
    read -r peak rms < <(measure "$src")
    gain=$(awk -v p="$peak" -v r="$rms" -v t="$TARGET_RMS_DB" -v m="$PEAK_DB" \
        'BEGIN { a = t - r; b = m - p; printf "%.2f", (a < b ? a : b) }')
    sx "$src" "${OUT_FMT[@]}" "$tmp/final.wav" gain "$gain" fade t 0.003 -0 0.01
    mv -f "$tmp/final.wav" "$dest"
}

# speak NAME TEXT [flite options...]
speak() {
    local name=$1 text=$2
    shift 2
    flite -voice slt "$@" -t "$text" -o "$tmp/raw.wav"
    # flite speaks at 16 kHz; the highpass drops a little DC/rumble.
    sx "$tmp/raw.wav" "${WORK_FMT[@]}" -c 1 "$tmp/speech.wav" \
        highpass 60 rate -v "$RATE" gain -n "$PEAK_DB" "${TRIM[@]}"
    finish "$tmp/speech.wav" "$out/$name"
}

# A touch higher and slower than flite's default sounds friendlier for young
# children; "Correct!" gets a brighter, livelier pitch still.
CALM=(--setf int_f0_target_mean=190 --setf int_f0_target_stddev=30 --setf duration_stretch=1.1)
HAPPY=(--setf int_f0_target_mean=215 --setf int_f0_target_stddev=40 --setf duration_stretch=1.05)

# flite says "Wordmeadow" as "word-meedow"; two words come out right.
speak Welcome.wav "Welcome to Word meadow! Click on a picture to start an activity." "${CALM[@]}"
speak Correct.WAV "Correct!" "${HAPPY[@]}"
speak TryAgain.WAV "Try again!" "${CALM[@]}"

# Single letters are read unreliably, so each letter name is spelled as a word.
letters=(
    A ay       B bee      C see      D dee     E ee      F eff
    G jee      H aitch    I eye      J jay     K kay     L ell
    M em       N en       O oh       P pee     Q cue     R are
    S ess      T tee      U you      V vee     W "double you"
    X ex       Y why      Z zee
)
for ((i = 0; i < ${#letters[@]}; i += 2)); do
    speak "${letters[i]}.wav" "${letters[i + 1]}" "${CALM[@]}"
done

# The words of Beginning Sounds, in the same voice and levelled alike: each
# line of the word list reads Word{"<word>", "<picture>", "<recording>"}.
words=$(sed -n 's/.*Word{"\([^"]*\)", "[^"]*", "\([^"]*\)"}.*/\2|\1/p' \
    "$root/activities/word_list.cpp")
[ -n "$words" ] || { echo "make_recordings: no words in the word list" >&2; exit 1; }
while IFS='|' read -r file word; do
    speak "words/$file" "$word" "${CALM[@]}"
done <<<"$words"

# --- Applause ---------------------------------------------------------------
# A few single-clap sounds: a sharp noise burst with a fast exponential decay,
# band-limited around 1-3 kHz like a real hand clap.  Each uses a different
# slice of noise and a different body resonance so the crowd is not uniform.
clap_centres=(900 1200 1500 1850 2300 2800)
for k in "${!clap_centres[@]}"; do
    fc=${clap_centres[k]}
    sx -n -r "$RATE" -c 1 "${WORK_FMT[@]}" "$tmp/clap$k.wav" \
        synth 1 whitenoise trim "0.$((k + 1))" 0.12 \
        highpass 300 bandpass "$fc" 0.9q equalizer "$((fc * 3 / 2))" 3q 4 \
        fade t 0.0008 fade l 0 0.12 0.115 gain -n -3
done

# Ten people clapping at their own steady-but-human pace, each stopping at a
# slightly different moment.  The timings come from a fixed-seed Park-Miller
# generator (exact in any awk's doubles), so they never change.
# Output lines: "<clap sound index> <start seconds> <volume>".
awk -v nclaps="${#clap_centres[@]}" 'BEGIN {
    seed = 20240611
    for (c = 0; c < 10; c++) {
        rate  = 3.8 + 1.8 * rnd()          # claps per second
        t     = 0.01 + 0.18 * rnd()        # when this person joins in
        stop  = 2.0 + 0.6 * rnd()
        level = 0.45 + 0.55 * rnd()        # near or far from the listener
        own   = c % nclaps
        while (t < stop) {
            k = (rnd() < 0.8) ? own : int(rnd() * nclaps)
            printf "%d %.4f %.3f\n", k, t, level * (0.8 + 0.4 * rnd())
            t += (0.88 + 0.24 * rnd()) / rate
        }
    }
}
function rnd() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }' >"$tmp/claps.txt"

# Every clap becomes its own channel, shifted to its start time with "delay",
# then "remix" sums them all into one mono track.
inputs=() delays=() mix=""
n=0
while read -r k t v; do
    n=$((n + 1))
    inputs+=("$tmp/clap$k.wav")
    delays+=("$t")
    mix+="${mix:+,}${n}v${v}"
done <"$tmp/claps.txt"

# A small room makes it sound like a group rather than a click track; the
# fade lets the applause die away instead of stopping dead.
sx -M "${inputs[@]}" "${WORK_FMT[@]}" "$tmp/applause.wav" \
    delay "${delays[@]}" remix "$mix" \
    reverb 25 50 35 trim 0 3 fade t 0.005 3 1.2
# Applause is noise, not speech, so only its peak is set.  This is a separate
# pass because "gain -n" after "reverb" in one chain misses the true peak.
sx "$tmp/applause.wav" "${OUT_FMT[@]}" "$tmp/final.wav" \
    gain -n "$PEAK_DB" "${TRIM[@]}"
mv -f "$tmp/final.wav" "$out/Clap.WAV"

# Short summary so a run can be eyeballed.
for f in "$out"/Welcome.wav "$out"/Correct.WAV "$out"/TryAgain.WAV "$out"/Clap.WAV "$out"/[A-Z].wav "$out"/words/*.wav; do
    printf '%-20s %6.3f s  peak %6s dB\n' "${f#"$out"/}" "$(soxi -D "$f")" \
        "$(sx "$f" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}')"
done
