#!/usr/bin/env python3
"""Synthesises the hamster's six sound effects as WAV files.

Each sound is described below by a few parameters (tones, sweeps, envelopes, a
little noise from a fixed seed), so running this again gives byte-identical
files. Every file is a canonical 44-byte-header RIFF/WAVE, PCM, mono, in the
exact format and data size the program's resources need:

  resources/sounds/sound_101.wav ... sound_106.wav

Only the Python standard library is used. `--check` regenerates everything in
memory and fails if a committed file differs from what this script gives.
"""

import math
import os
import random
import struct
import sys

from generated_files import write_or_check

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

PEAK = 10 ** (-3 / 20)   # every sound peaks at -3 dBFS
EDGE_FADE_S = 0.004      # raised-cosine fade at both ends: no click on start or stop


# --------------------------------------------------------------------------
# Building blocks. A sound is a list of floats in [-1, 1], one per sample.

def envelope(t, attack, hold, release):
    """0 before, a rising half-cosine over ATTACK, 1 for HOLD, a falling one over RELEASE."""
    if t < 0:
        return 0.0
    if t < attack:
        return 0.5 - 0.5 * math.cos(math.pi * t / attack)
    t -= attack
    if t < hold:
        return 1.0
    t -= hold
    if t < release:
        return 0.5 + 0.5 * math.cos(math.pi * t / release)
    return 0.0


def tone(rate, n, freq_at, harmonics=(1.0,), start=0.0, amp_at=None):
    """A tone whose frequency FREQ_AT(t) may glide; harmonics fade out below Nyquist.

    HARMONICS are the amplitudes of partials 1, 2, 3...; AMP_AT(t) shapes the
    loudness. Returns N samples, silent before START seconds."""
    out = [0.0] * n
    phase = 0.0
    limit = 0.45 * rate
    for i in range(n):
        t = i / rate - start
        if t < 0:
            continue
        f = freq_at(t)
        phase += 2 * math.pi * f / rate
        amp = amp_at(t) if amp_at else 1.0
        if amp == 0.0:
            continue
        s = 0.0
        for k, h in enumerate(harmonics, 1):
            # Partials near the Nyquist frequency fade out instead of folding back.
            fade = min(1.0, max(0.0, (limit - k * f) / 400.0))
            if fade > 0:
                s += h * fade * math.sin(k * phase)
        out[i] = amp * s
    return out


def noise(rate, n, seed, cutoff):
    """White noise from a fixed seed through a one-pole low-pass at CUTOFF Hz."""
    rnd = random.Random(seed)
    a = 1 - math.exp(-2 * math.pi * cutoff / rate)
    y, out = 0.0, []
    for _ in range(n):
        y += a * (rnd.uniform(-1.0, 1.0) - y)
        out.append(y)
    return out


def mix(*parts):
    return [sum(vals) for vals in zip(*parts)]


def glide(f0, f1, duration, curve=1.0):
    """A frequency moving from F0 to F1 over DURATION seconds, then holding."""
    def at(t):
        x = min(1.0, max(0.0, t / duration)) ** curve
        return f0 + (f1 - f0) * x
    return at


def finish(samples, rate):
    """Fades both ends, removes any DC offset and sets the peak to -3 dBFS."""
    n = len(samples)
    mean = sum(samples) / n
    samples = [s - mean for s in samples]
    fade = max(1, int(EDGE_FADE_S * rate))
    for i in range(fade):
        g = 0.5 - 0.5 * math.cos(math.pi * i / fade)
        samples[i] *= g
        samples[n - 1 - i] *= g
    samples[0] = samples[-1] = 0.0
    peak = max(abs(s) for s in samples)
    return [s * PEAK / peak for s in samples]


# --------------------------------------------------------------------------
# The six sounds

def squeal(rate, n):
    """101: a short two-part squeal, "kyu-kyuuu", the second part falling like a cry."""
    def f1(t):
        return glide(1500, 2300, 0.05)(t)

    def f2(t):
        rise = glide(1700, 2500, 0.06)(t)
        fall = 600 * max(0.0, t - 0.15) / 0.3
        vibrato = 90 * math.sin(2 * math.pi * 9 * t) * min(1.0, t / 0.1)
        return rise - fall + vibrato

    a = tone(rate, n, f1, (1.0, 0.25, 0.08), start=0.02,
             amp_at=lambda t: envelope(t, 0.015, 0.09, 0.06))
    b = tone(rate, n, f2, (1.0, 0.3, 0.1), start=0.22,
             amp_at=lambda t: envelope(t, 0.02, 0.2, 0.22))
    return mix(a, b)


def happy_squeak(rate, n):
    """102: three rising chirps, "pi-pi-piii", the last with a little trill."""
    def chirp(start, f0, f1, length, trill=0.0):
        def f(t):
            return glide(f0, f1, length * 0.6, 0.7)(t) + trill * math.sin(2 * math.pi * 14 * t)
        return tone(rate, n, f, (1.0, 0.2, 0.05), start=start,
                    amp_at=lambda t: envelope(t, 0.01, length * 0.45, length * 0.5))
    return mix(chirp(0.02, 1700, 2300, 0.12),
               chirp(0.19, 1900, 2600, 0.12),
               chirp(0.37, 2100, 2900, 0.42, trill=110.0))


def grumble(rate, n):
    """103: a low rumbling "mmrrm-mrr": a buzzy falling tone with a slow flutter."""
    def f(t):
        return 175 - 45 * t / 0.69 + 6 * math.sin(2 * math.pi * 5 * t)

    partials = tuple(1.0 / k ** 1.3 for k in range(1, 13))

    def amp(t):
        syllables = envelope(t - 0.02, 0.04, 0.2, 0.08) + 0.85 * envelope(t - 0.36, 0.04, 0.17, 0.1)
        flutter = 0.65 + 0.35 * math.sin(2 * math.pi * 23 * t)
        return syllables * flutter

    body = tone(rate, n, f, partials, amp_at=amp)
    breath = noise(rate, n, seed=103, cutoff=900)
    breath = [0.25 * b * amp(i / rate) for i, b in enumerate(breath)]
    return mix(body, breath)


def cheeky_blip(rate, n):
    """104: "bip-bwip!": a short note, then a quick upward slide."""
    a = tone(rate, n, lambda t: 1250, (1.0, 0.2), start=0.01,
             amp_at=lambda t: envelope(t, 0.006, 0.04, 0.04))
    b = tone(rate, n, glide(650, 1900, 0.11, 0.8), (1.0, 0.3, 0.1), start=0.115,
             amp_at=lambda t: envelope(t, 0.008, 0.09, 0.07))
    return mix(a, b)


def toy_shot(rate, n):
    """105: a toy-gun pop: a soft noise burst, a falling "pew" and a low thump."""
    burst = noise(rate, n, seed=105, cutoff=2500)
    burst = [b * math.exp(-(i / rate) / 0.012) for i, b in enumerate(burst)]
    pew = tone(rate, n, glide(1100, 180, 0.22, 0.5), (1.0, 0.3, 0.12),
               amp_at=lambda t: math.exp(-t / 0.07))
    thump = tone(rate, n, glide(140, 55, 0.12), (1.0, 0.2),
                 amp_at=lambda t: math.exp(-t / 0.05))
    return mix([2.2 * b for b in burst], [0.45 * p for p in pew], [0.9 * s for s in thump])


def tick(rate, n):
    """106: a tiny tick: a bright ping that dies away at once."""
    return tone(rate, n, lambda t: 2300, (1.0, 0.3, 0.1), start=0.001,
                amp_at=lambda t: min(1.0, t / 0.0015) * math.exp(-t / 0.012))


# id, synthesiser, sample rate, bits per sample, data bytes
SOUNDS = [
    (101, squeal, 11025, 8, 7568),
    (102, happy_squeak, 11025, 8, 9132),
    (103, grumble, 11025, 8, 7568),
    (104, cheeky_blip, 11025, 8, 3204),
    (105, toy_shot, 22050, 16, 14312),
    (106, tick, 22050, 16, 2936),
]


# --------------------------------------------------------------------------

def wav_bytes(samples, rate, bits):
    """A canonical 44-byte-header PCM mono WAV: 8-bit unsigned or 16-bit signed."""
    if bits == 8:
        data = bytes(max(0, min(255, 128 + round(s * 127))) for s in samples)
    elif bits == 16:
        data = b"".join(struct.pack("<h", max(-32768, min(32767, round(s * 32767))))
                        for s in samples)
    else:
        raise ValueError(f"unsupported sample size {bits}")
    block = bits // 8
    header = struct.pack("<4sI4s4sIHHIIHH4sI",
                         b"RIFF", 36 + len(data), b"WAVE",
                         b"fmt ", 16, 1, 1, rate, rate * block, block, bits,
                         b"data", len(data))
    return header + data


def build():
    out = {}
    for res_id, synth, rate, bits, data_bytes in SOUNDS:
        n = data_bytes // (bits // 8)
        samples = finish(synth(rate, n), rate)
        if len(samples) != n:
            raise AssertionError(f"sound {res_id}: {len(samples)} samples, expected {n}")
        data = wav_bytes(samples, rate, bits)
        if len(data) != 44 + data_bytes:
            raise AssertionError(f"sound {res_id}: {len(data) - 44} data bytes, expected {data_bytes}")
        out[f"resources/sounds/sound_{res_id}.wav"] = data
    return out


def main(argv):
    check = "--check" in argv[1:]
    return write_or_check(build(), "gen_sounds", check)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
