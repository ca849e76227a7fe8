#!/usr/bin/python3
"""A trial of a second pulse front end for band-limited audio, before it is
built into the program: the recording is band-passed, its half-periods are
taken between zero crossings with hysteresis, a pilot is a run of 200 or more
half-periods near the pilot's length (which gives the tape speed), and each
pair of half-periods after the two sync halves is a '0' or a '1' by its sum.
It writes NAME.tap for each recording into OUT_DIR, as the corpus scorer reads
them, and prints the blocks found and those that pass their checksum.

    /usr/bin/python3 tools/lossy/zero_crossings.py OUT_DIR RECORDING.wav...

Measured on the public corpus (blocks exact): 38/38 on the recordings as they
are, 38/38 after OGG Vorbis -C 3 and -C 5 and after MP3 at 128 kbit/s (one
pass of the program: 38/38, 22/38, 33/38, 38/38); on the hard takes 70/108
(one pass: 71/108), mostly other blocks than those one pass reads: 89/108
are read exactly by one or the other."""
import struct
import sys

import numpy as np
import scipy.io.wavfile as wavfile
import scipy.signal as signal

CLOCK = 3500000.0                            # T-states a second
PILOT, ZERO, ONE = 2168, 855, 1710           # half-periods in T-states
LEAST_PILOT = 200                            # half-periods that make a pilot


def half_periods(path, low=400, high=7000, hysteresis=0.15):
    rate, x = wavfile.read(path)
    x = x.astype(np.float64)
    if x.ndim > 1:
        x = x[:, 0]
    b, a = signal.butter(2, [low / (rate / 2), high / (rate / 2)], 'band')
    y = signal.filtfilt(b, a, x)
    loud = y[np.abs(y) > np.percentile(np.abs(y), 50)]
    h = hysteresis * np.sqrt(np.mean(loud ** 2))   # a fraction of the signal's level
    edges, state = [], 0
    for i in np.nonzero((y > h) | (y < -h))[0]:
        v = 1 if y[i] > h else -1
        if v != state:
            if state != 0:
                edges.append(i)
            state = v
    return rate, np.diff(np.array(edges, dtype=np.float64))


def blocks_of(path):
    rate, halves = half_periods(path)
    t = rate / CLOCK
    pilot, zero, one = PILOT * t, ZERO * t, ONE * t
    blocks, i, n = [], 0, len(halves)
    while i < n - LEAST_PILOT:
        j = i
        while j < n and abs(halves[j] - pilot) < 0.25 * pilot:
            j += 1
        if j - i < LEAST_PILOT:
            i = max(j, i + 1)
            continue
        speed = np.median(halves[i:j]) / pilot
        k, bits = j + 2, []                          # past the two sync halves
        while k + 1 < n:
            cycle = halves[k] + halves[k + 1]
            if cycle > 3 * one * speed or cycle < zero * speed:
                break                                # the block's end
            bits.append(1 if cycle > (zero + one) * speed else 0)
            k += 2
        data = bytes(int(''.join(map(str, bits[8 * q:8 * q + 8])), 2) for q in range(len(bits) // 8))
        if data:
            blocks.append(data)
        i = k + 1
    return blocks


def main():
    out = sys.argv[1]
    for path in sys.argv[2:]:
        blocks = blocks_of(path)
        name = path.rsplit('/', 1)[-1].rsplit('.', 1)[0]
        with open(f'{out}/{name}.tap', 'wb') as f:
            for d in blocks:
                f.write(struct.pack('<H', len(d)) + d)
        passing = sum(1 for d in blocks if np.bitwise_xor.reduce(np.frombuffer(d, np.uint8)) == 0)
        print(f'{name}: {len(blocks)} blocks, {passing} pass their checksum')


if __name__ == '__main__':
    main()
