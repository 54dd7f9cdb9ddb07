"""Tones for the tests, and what a program played, read back from a raw recording.

The tests give every recording a pure tone of its own (TONES), so that what was played can be
named from the sound alone. AudioTap reads signed 16-bit little-endian mono sound at 22050 Hz from
a file as it grows: what SDL's disk audio driver writes for the program (the device it opens has
that format), or what `parec --format=s16le --rate=22050 --channels=1 --raw` records from a
sound server's monitor into a file.
"""

import array
import math
import os
import random
import sys
import time
import wave

from xserver import eventually

# The sound device the program opens, and the format read back: 22050 Hz, signed 16-bit
# little-endian, mono.
RATE = 22050
BYTES_PER_FRAME = 2

LETTERS = [chr(ord("A") + k) for k in range(26)]
# Letters far from the cue tones and from the program's own 880 Hz alert, 60 Hz apart: a 50 ms
# analysis frame resolves that easily.
TONES = {letter: 1000 + 60 * k for k, letter in enumerate(LETTERS)}
TONES.update({"Welcome": 400, "Correct": 520, "TryAgain": 640, "Clap": 760, "alert": 880})
# The words of Beginning Sounds, named as their shipped recordings in recordings/words/, above
# the letters.
WORDS = sorted(name[:-4] for name in os.listdir(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "recordings", "words")))
TONES.update({word: 2600 + 60 * k for k, word in enumerate(WORDS)})
# A recording made in the program's recorder, above all the others.
TONES["own"] = 4400
CUE_FILES = {"Welcome": "Welcome.wav", "Correct": "Correct.WAV", "TryAgain": "TryAgain.WAV",
             "Clap": "Clap.WAV"}
SILENCE = "-"
UNCLEAR = "?"


# ---------------------------------------------------------------------------------------------
# Recordings


def write_tone(path, freq, seconds, rate=22050, channels=1, amplitude=0.4, quiet_around=(0, 0)):
    """A pure sine tone with 5 ms fades, as a 16-bit PCM WAV file; quiet_around gives seconds
    of a quiet room's noise (about -60 dBFS) before and after it."""
    count = int(rate * seconds)
    fade = int(rate * 0.005)
    room = random.Random(1)
    samples = array.array("h", [room.randint(-40, 40) for _ in range(
        int(rate * quiet_around[0]) * channels)])
    for i in range(count):
        gain = min(1.0, i / fade, (count - 1 - i) / fade)
        value = int(32767 * amplitude * gain * math.sin(2 * math.pi * freq * i / rate))
        samples.extend([value] * channels)
    samples.extend(room.randint(-40, 40) for _ in range(int(rate * quiet_around[1]) * channels))
    if sys.byteorder == "big":
        samples.byteswap()
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(samples.tobytes())


def write_recordings(folder, letters=LETTERS, cues=("Welcome", "Correct", "TryAgain", "Clap"),
                     words=WORDS):
    """Letters and words as 22050 Hz mono files, cues as 44100 Hz stereo (which the program
    converts)."""
    for letter in letters:
        write_tone(os.path.join(folder, f"{letter}.wav"), TONES[letter], 0.45)
    if words:
        os.makedirs(os.path.join(folder, "words"), exist_ok=True)
    for word in words:
        write_tone(os.path.join(folder, "words", f"{word}.wav"), TONES[word], 0.45)
    for cue in cues:
        write_tone(os.path.join(folder, CUE_FILES[cue]), TONES[cue], 0.45, rate=44100, channels=2)


# ---------------------------------------------------------------------------------------------
# Sound


def kept_take(path):
    """(seconds before its first loud sample, its length in seconds) of a take the recorder
    kept, which must be a 16-bit mono WAV file."""
    with wave.open(path) as kept:
        if (kept.getnchannels(), kept.getsampwidth()) != (1, 2):
            raise AssertionError(f"{path} is not 16-bit mono")
        samples = int16_samples(kept.readframes(kept.getnframes()))
        rate = kept.getframerate()
    onset = next(i for i, value in enumerate(samples) if abs(value) > 1000)
    return onset / rate, len(samples) / rate


def int16_samples(data):
    """Signed 16-bit little-endian samples from bytes; an odd last byte is left out."""
    samples = array.array("h")
    samples.frombytes(data[: len(data) // 2 * 2])
    if sys.byteorder == "big":
        samples.byteswap()
    return samples


class AudioTap:
    """Reads what was played from a raw recording (see above) at path, as the file grows.

    Positions are counted in sample frames from the start of the file. The sound is cut into
    50 ms analysis frames and each is named after the tone it holds: the candidate nearest to the
    frequency measured from zero crossings, confirmed by a Goertzel filter at that frequency
    holding most of the frame's energy (a frame where one sound cuts another off is UNCLEAR).

    program, when given, is asked check_running() while waiting, so that a program that ended
    fails the wait at once."""

    FRAME = RATE // 20
    SILENT_PEAK = 300  # well above rounding noise: SDL's driver writes exact zeros in silence

    def __init__(self, path, program=None):
        self.path = path
        self.program = program
        n = self.FRAME
        self._hann = [0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1)) for i in range(n)]
        self._hann_sum = sum(self._hann)

    def position(self):
        try:
            return os.path.getsize(self.path) // BYTES_PER_FRAME
        except FileNotFoundError:
            return 0

    def samples_between(self, start, end):
        with open(self.path, "rb") as f:
            f.seek(start * BYTES_PER_FRAME)
            return int16_samples(f.read((end - start) * BYTES_PER_FRAME))

    def peak(self, start, end):
        """The loudest sample between start and end."""
        return max(map(abs, self.samples_between(start, end)), default=0)

    def label(self, samples):
        if max(map(abs, samples)) < self.SILENT_PEAK:
            return SILENCE
        freq = self._zero_crossing_frequency(samples)
        if freq is None:
            return UNCLEAR
        name, nearest = min(TONES.items(), key=lambda item: abs(item[1] - freq))
        if abs(nearest - freq) > 20:
            return UNCLEAR
        # Windowed amplitude at that frequency against the windowed amplitude of the whole frame.
        w = 2 * math.pi * nearest / RATE
        coeff = 2 * math.cos(w)
        s1 = s2 = 0.0
        energy = 0.0
        for x, h in zip(samples, self._hann):
            s0 = x * h + coeff * s1 - s2
            s2, s1 = s1, s0
            energy += x * x * h
        power = max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)
        tone_amplitude = 2 * math.sqrt(power) / self._hann_sum
        frame_amplitude = math.sqrt(2 * energy / self._hann_sum)
        return name if frame_amplitude > 0 and tone_amplitude / frame_amplitude > 0.8 else UNCLEAR

    @staticmethod
    def _zero_crossing_frequency(samples):
        first = last = None
        count = 0
        for i in range(1, len(samples)):
            a, b = samples[i - 1], samples[i]
            if a < 0 <= b:
                t = i - 1 + a / (a - b)
                if first is None:
                    first = t
                last = t
                count += 1
        if count < 3 or last <= first:
            return None
        return (count - 1) * RATE / (last - first)

    def labels(self, start, end=None):
        end = self.position() if end is None else end
        return [self.label(self.samples_between(p, p + self.FRAME))
                for p in range(start, end - self.FRAME + 1, self.FRAME)]

    @staticmethod
    def runs(labels):
        """[(label, number of frames)] of consecutive equal labels."""
        out = []
        for name in labels:
            if out and out[-1][0] == name:
                out[-1][1] += 1
            else:
                out.append([name, 1])
        return [tuple(r) for r in out]

    def _check_alive(self):
        if self.program is not None:
            self.program.check_running()

    def next_sound(self, start, timeout=10.0, min_frames=3):
        """The first tone heard for at least min_frames frames from position start on."""
        labels = []
        pos = start
        deadline = time.monotonic() + timeout
        while True:
            end = self.position()
            while pos + self.FRAME <= end:
                labels.append(self.label(self.samples_between(pos, pos + self.FRAME)))
                pos += self.FRAME
                for name, length in self.runs(labels):
                    if name not in (SILENCE, UNCLEAR) and length >= min_frames:
                        return name
            if time.monotonic() > deadline:
                raise AssertionError(f"no tone heard within {timeout} s; frames: {self.runs(labels)}")
            self._check_alive()
            time.sleep(0.05)

    def wait_quiet(self, timeout=10.0, quiet_frames=3):
        """Waits until the sound playing has ended; returns the position then."""
        def quiet():
            self._check_alive()
            end = self.position()
            if end < quiet_frames * self.FRAME:
                return False, "too little sound written yet"
            peak = self.peak(end - quiet_frames * self.FRAME, end)
            return peak < self.SILENT_PEAK, f"peak {peak}"
        eventually(quiet, timeout, "the sound to end")
        return self.position()

    def wait_written(self, start, seconds, timeout=20.0):
        """Waits until this many seconds of sound have been written after start."""
        needed = start + int(seconds * RATE)
        eventually(lambda: (self.position() >= needed, self.position()), timeout,
                   f"{seconds} s of sound after position {start}")
        return needed

    def bursts(self, start, end, block=RATE // 200):
        """(start, length) in seconds of each stretch of sound between start and end, on a 5 ms
        grid; gaps shorter than 20 ms do not split a stretch."""
        samples = self.samples_between(start, end)
        on = [max(map(abs, samples[i:i + block])) >= self.SILENT_PEAK
              for i in range(0, len(samples) - block + 1, block)]
        stretches = []
        i = 0
        while i < len(on):
            if not on[i]:
                i += 1
                continue
            j = i
            while j < len(on) and on[j]:
                j += 1
            stretches.append([i, j])
            i = j
        merged = []
        for s in stretches:
            if merged and (s[0] - merged[-1][1]) * block < 0.02 * RATE:
                merged[-1][1] = s[1]
            else:
                merged.append(s)
        return [(round(a * block / RATE, 3), round((b - a) * block / RATE, 3)) for a, b in merged]
