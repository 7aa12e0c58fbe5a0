"""Music, ambience loops and sound effects.

Every tone and noise comes from sox's synthesiser (run with -R, so the noise is the same
on every run); numpy places the notes in time and shapes their envelopes; sox adds the
room (reverb, filters, gain) and oggenc encodes the result with a fixed serial number.
Loops are made seamless by rendering three turns, running the effects over all of them
and keeping the middle one (reverb tails wrap round), or by a crossfade for noise beds.
"""
import os
import subprocess
import tempfile

import numpy as np

RATE = 44100


# ----------------------------------------------------------------- sox glue

def sox_gen(dur, synth_args, channels=1, effects=()):
    """sox -n ... synth dur <synth_args> [effects] -> float32 array (n, channels)."""
    cmd = ["sox", "-R", "-n", "-r", str(RATE), "-c", str(channels), "-t", "raw", "-e", "floating-point", "-b", "32", "-",
           "synth", "%.5f" % dur] + list(synth_args) + list(effects)
    out = subprocess.run(cmd, check=True, capture_output=True).stdout
    return np.frombuffer(out, np.float32).reshape(-1, channels).copy()


def sox_fx(arr, effects):
    """Runs a float array through sox effects."""
    ch = arr.shape[1]
    cmd = ["sox", "-R", "-t", "raw", "-e", "floating-point", "-b", "32", "-r", str(RATE), "-c", str(ch), "-",
           "-t", "raw", "-e", "floating-point", "-b", "32", "-r", str(RATE), "-c", str(ch), "-"] + list(effects)
    out = subprocess.run(cmd, input=arr.astype(np.float32).tobytes(), check=True, capture_output=True).stdout
    return np.frombuffer(out, np.float32).reshape(-1, ch).copy()


SERIAL = [7100]


def write_ogg(arr, path, quality=3, peak=0.89):
    arr = arr / max(1e-6, np.abs(arr).max()) * peak
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with tempfile.TemporaryDirectory() as td:
        wav = os.path.join(td, "x.wav")
        ch = arr.shape[1]
        subprocess.run(["sox", "-R", "-t", "raw", "-e", "floating-point", "-b", "32", "-r", str(RATE), "-c", str(ch), "-",
                        "-b", "16", wav], input=arr.astype(np.float32).tobytes(), check=True, capture_output=True)
        SERIAL[0] += 1
        subprocess.run(["oggenc", "-Q", "--serial", str(SERIAL[0]), "-q", str(quality), "-o", path, wav], check=True)


def freq(midi):
    return 440.0 * 2 ** ((midi - 69) / 12.0)


def env(n, attack, release, curve="exp", decay=None):
    """Envelope of n samples: linear attack (s), then exp decay (time constant `decay` s) and release."""
    t = np.arange(n, dtype=np.float32) / RATE
    e = np.ones(n, np.float32)
    if attack > 0:
        e *= np.clip(t / attack, 0, 1)
    if decay:
        e *= np.exp(-np.maximum(t - attack, 0) / decay)
    if release > 0:
        e *= np.clip((t[-1] - t) / release, 0, 1)
    return e


# -------------------------------------------------------------- instruments

_cache = {}


def tone(kind, midi, dur):
    key = (kind, midi, round(dur, 3))
    if key in _cache:
        return _cache[key]
    f = freq(midi)
    n = int(dur * RATE)
    if kind == "pluck":
        a = sox_gen(dur, ["pluck", "%.3f" % f])[:, 0]
        a = a[:n] * env(len(a[:n]), 0.003, 0.05, decay=dur * 0.45)
    elif kind == "harp":
        a = sox_gen(dur, ["pluck", "%.3f" % f], effects=["lowpass", "3000"])[:, 0]
        b = sox_gen(dur, ["sine", "%.3f" % f])[:, 0]
        m = min(len(a), len(b))
        a = (a[:m] * 0.8 + b[:m] * 0.35) * env(m, 0.004, 0.08, decay=dur * 0.35)
    elif kind == "bell":
        parts = []
        for ratio, amp, dec in ((1.0, 1.0, 1.0), (2.0, 0.45, 0.6), (2.76, 0.3, 0.35), (5.4, 0.12, 0.15)):
            p = sox_gen(dur, ["sine", "%.3f" % (f * ratio)])[:, 0]
            parts.append(p * amp * env(len(p), 0.002, 0.05, decay=dur * 0.3 * dec))
        m = min(len(p) for p in parts)
        a = sum(p[:m] for p in parts)
    elif kind == "flute":
        a = sox_gen(dur, ["sine", "%.3f" % f], effects=["tremolo", "5", "18"])[:, 0]
        b = sox_gen(dur, ["triangle", "%.3f" % (f * 2)])[:, 0]
        m = min(len(a), len(b))
        a = (a[:m] + b[:m] * 0.12) * env(m, 0.09, 0.25)
    elif kind == "pad":
        a = sox_gen(dur, ["sine", "%.3f" % f, "sine", "%.3f" % (f * 1.004)], channels=2)
        b = sox_gen(dur, ["triangle", "%.3f" % (f * 0.998), "triangle", "%.3f" % (f * 1.002)], channels=2,
                    effects=["lowpass", "1200"])
        m = min(len(a), len(b))
        a = (a[:m] * 0.7 + b[:m] * 0.35) * env(m, dur * 0.3, dur * 0.35)[:, None]
    elif kind == "cello":
        a = sox_gen(dur, ["sawtooth", "%.3f" % f], effects=["lowpass", "900", "lowpass", "1400", "tremolo", "5.5", "10"])[:, 0]
        a = a * env(len(a), 0.12, 0.3)
    elif kind == "bass":
        a = sox_gen(dur, ["sine", "%.3f" % f])[:, 0]
        b = sox_gen(dur, ["triangle", "%.3f" % f], effects=["lowpass", "400"])[:, 0]
        m = min(len(a), len(b))
        a = (a[:m] * 0.8 + b[:m] * 0.4) * env(m, 0.02, 0.3, decay=dur * 0.8)
    elif kind == "brass":
        a = sox_gen(dur, ["sawtooth", "%.3f" % f], effects=["lowpass", "1800", "lowpass", "2500"])[:, 0]
        a = a * env(len(a), 0.04, 0.25)
    else:
        raise ValueError(kind)
    _cache[key] = a
    return a


class Track:
    """A stereo buffer notes are laid into; wraps round the end when `loop`."""

    def __init__(self, seconds, loop=True):
        self.n = int(seconds * RATE)
        self.buf = np.zeros((self.n, 2), np.float32)
        self.loop = loop

    def add(self, a, at, gain=1.0, pan=0.0):
        if a.ndim == 1:
            l, r = np.sqrt((1 - pan) / 2), np.sqrt((1 + pan) / 2)
            a = np.stack([a * l, a * r], axis=1)
        a = a * gain
        start = int(at * RATE)
        if self.loop:
            idx = (start + np.arange(len(a))) % self.n
            np.add.at(self.buf, idx, a)
        else:
            end = min(self.n, start + len(a))
            self.buf[start:end] += a[:end - start]

    def note(self, kind, midi, at, dur, gain=1.0, pan=0.0):
        self.add(tone(kind, midi, dur), at, gain, pan)


def seamless(buf, effects):
    """Applies effects to a loop so that its end flows into its start."""
    n = len(buf)
    three = np.concatenate([buf, buf, buf])
    out = sox_fx(three, effects)
    return out[n:2 * n]


def crossfade_loop(buf, fade_s=2.0):
    """buf is longer than the loop by fade_s: its tail is faded into its head."""
    f = int(fade_s * RATE)
    body, tail = buf[:-f].copy(), buf[-f:]
    w = np.linspace(0, 1, f, dtype=np.float32)[:, None]
    body[:f] = body[:f] * w + tail * (1 - w)
    return body


# -------------------------------------------------------------------- music

# chords as MIDI notes (root position triads around middle C)
CH = {
    "Dm": (50, 53, 57), "Bb": (46, 50, 53), "F": (53, 57, 60), "C": (48, 52, 55), "Gm": (55, 58, 62),
    "A": (45, 49, 52), "Am": (45, 48, 52), "G": (43, 47, 50), "Em": (52, 55, 59), "E": (52, 56, 59),
}


def menu_theme():
    """Calm theme in D minor, 60 bpm, 12 bars of 4 s: harp arpeggios, pad, flute melody."""
    bar = 4.0
    prog = ["Dm", "Bb", "F", "C", "Dm", "Bb", "Gm", "A", "Dm", "Bb", "F", "A"]
    t = Track(bar * len(prog))
    for i, ch in enumerate(prog):
        notes = CH[ch]
        t0 = i * bar
        for k, m in enumerate(notes):
            t.note("pad", m, t0, bar + 1.2, 0.11)
        t.note("bass", notes[0] - 12, t0, bar, 0.33)
        arp = [notes[0], notes[1], notes[2], notes[0] + 12, notes[2], notes[1] + 12, notes[2] + 12, notes[1] + 12]
        for k, m in enumerate(arp):
            t.note("harp", m + 12, t0 + k * 0.5, 1.8, 0.22, pan=-0.4 + 0.1 * k)
    melody = [  # (bar, beat, midi, beats)
        (0, 0, 69, 2), (0, 2, 67, 1), (0, 3, 65, 1), (1, 0, 62, 3), (1, 3, 65, 1),
        (2, 0, 69, 2), (2, 2, 72, 2), (3, 0, 67, 4),
        (4, 0, 69, 2), (4, 2, 70, 1), (4, 3, 69, 1), (5, 0, 65, 3), (5, 3, 62, 1),
        (6, 0, 67, 2), (6, 2, 70, 2), (7, 0, 69, 3), (7, 3, 73, 1),
        (8, 0, 74, 3), (8, 3, 72, 1), (9, 0, 70, 2), (9, 2, 69, 2),
        (10, 0, 65, 2), (10, 2, 67, 2), (11, 0, 69, 2), (11, 2, 64, 2),
    ]
    for (b, beat, m, beats) in melody:
        t.note("flute", m, b * bar + beat * 1.0, beats * 1.0 + 0.3, 0.3, pan=0.15)
    return seamless(t.buf, ["reverb", "60", "50", "90", "100", "20", "gain", "-3"])


def level1_loop():
    """Wistful folk loop in A minor, 84 bpm, plucked guitar, bells and flute: 16 bars."""
    beat = 60.0 / 84
    bar = beat * 4
    prog = ["Am", "F", "C", "G", "Am", "F", "Em", "E", "F", "G", "Am", "Em", "F", "G", "C", "E"]
    t = Track(bar * len(prog))
    for i, ch in enumerate(prog):
        notes = CH[ch]
        t0 = i * bar
        t.note("pad", notes[0] + 12, t0, bar + 0.8, 0.08)
        t.note("pad", notes[2], t0, bar + 0.8, 0.08)
        t.note("bass", notes[0] - 12, t0, bar * 0.9, 0.45)
        t.note("bass", notes[0] - 12 + 7, t0 + beat * 2, bar * 0.45, 0.3)
        pattern = [0, 2, 1, 2, 3, 2, 1, 2]
        for k, p in enumerate(pattern):
            m = (notes + (notes[0] + 12,))[p]
            t.note("pluck", m + 12, t0 + k * beat / 2, 1.2, 0.2 if k % 2 == 0 else 0.14, pan=-0.3)
    melody = [
        (0, 0, 76, 1.5), (0, 1.5, 74, 0.5), (0, 2, 72, 2), (1, 0, 69, 3), (1, 3, 72, 1),
        (2, 0, 67, 2), (2, 2, 72, 1), (2, 3, 74, 1), (3, 0, 71, 4),
        (4, 0, 76, 1.5), (4, 1.5, 77, 0.5), (4, 2, 76, 2), (5, 0, 72, 3), (5, 3, 69, 1),
        (6, 0, 71, 2), (6, 2, 67, 2), (7, 0, 68, 4),
        (8, 0, 69, 2), (8, 2, 72, 2), (9, 0, 74, 2), (9, 2, 71, 2), (10, 0, 72, 3), (10, 3, 71, 1),
        (11, 0, 67, 4), (12, 0, 69, 2), (12, 2, 72, 2), (13, 0, 74, 3), (13, 3, 76, 1),
        (14, 0, 72, 4), (15, 0, 71, 2), (15, 2, 68, 2),
    ]
    for (b, bt, m, beats) in melody:
        t.note("flute", m, b * bar + bt * beat, beats * beat + 0.25, 0.26, pan=0.2)
    for b in (3, 7, 11, 15):
        t.note("bell", 88, b * bar + beat * 3, 2.5, 0.07, pan=0.5)
    return seamless(t.buf, ["reverb", "45", "50", "70", "100", "15", "gain", "-3"])


def level2_loop():
    """Tense storm loop in D minor, 96 bpm: low cello ostinato, pulsing bass, distant bells."""
    beat = 60.0 / 96
    bar = beat * 4
    prog = ["Dm", "Dm", "Bb", "A", "Dm", "Gm", "Bb", "A", "Gm", "Dm", "Bb", "C", "Gm", "A", "Dm", "A"]
    t = Track(bar * len(prog))
    for i, ch in enumerate(prog):
        notes = CH[ch]
        t0 = i * bar
        for k in range(8):
            t.note("bass", notes[0] - 12, t0 + k * beat / 2, beat * 0.45, 0.32 if k % 2 == 0 else 0.22)
        t.note("cello", notes[0], t0, bar * 1.02, 0.22, pan=-0.3)
        t.note("cello", notes[2], t0, bar * 1.02, 0.14, pan=0.3)
        t.note("pad", notes[1] + 12, t0, bar + 0.6, 0.06)
        ost = [notes[0] + 24, notes[2] + 12, notes[1] + 12, notes[2] + 12]
        for k in range(8):
            t.note("harp", ost[k % 4], t0 + k * beat / 2, 0.6, 0.12, pan=0.35)
    for b, m in ((1, 81), (5, 79), (9, 77), (13, 76)):
        t.note("bell", m, b * bar + beat * 2, 3.0, 0.09, pan=-0.5)
    melody = [(2, 0, 62, 3), (3, 0, 61, 4), (6, 0, 65, 2), (6, 2, 67, 2), (7, 0, 64, 4),
              (10, 0, 70, 2), (10, 2, 69, 2), (11, 0, 67, 4), (14, 0, 69, 2), (14, 2, 65, 2), (15, 0, 64, 4)]
    for (b, bt, m, beats) in melody:
        t.note("cello", m, b * bar + bt * beat, beats * beat + 0.2, 0.2, pan=0.1)
    return seamless(t.buf, ["reverb", "55", "60", "80", "100", "25", "gain", "-3"])


# ---------------------------------------------------------------- ambience

def sea_wind(seconds=30.0):
    total = seconds + 2.0
    waves = sox_gen(total, ["brownnoise"], 2, ["lowpass", "500", "tremolo", "%.5f" % (4 / seconds), "70"])
    surf = sox_gen(total, ["pinknoise"], 2, ["highpass", "900", "lowpass", "5000", "tremolo", "%.5f" % (4 / seconds), "90"])
    wind = sox_gen(total, ["pinknoise"], 2, ["bandpass", "700", "2q", "tremolo", "%.5f" % (2 / seconds), "60"])
    m = min(len(waves), len(surf), len(wind))
    mix = waves[:m] * 0.9 + surf[:m] * 0.25 + wind[:m] * 0.3
    gull = Track(total, loop=False)
    for at, m_ in ((6.0, 86), (6.45, 84), (19.0, 88), (19.5, 85)):
        g = sox_gen(0.35, ["sine", "%.1f-%.1f" % (freq(m_), freq(m_ - 3))], 1, ["tremolo", "22", "40"])[:, 0]
        gull.add(g * env(len(g), 0.03, 0.15), at, 0.05, pan=0.5)
    mix += gull.buf[:m]
    return crossfade_loop(sox_fx(mix, ["reverb", "30", "50", "80", "100", "0"]), 2.0)


def indoor(seconds=30.0):
    total = seconds + 2.0
    fire = sox_gen(total, ["brownnoise"], 2, ["lowpass", "250", "tremolo", "0.35", "40"])
    t = Track(total, loop=False)
    r = np.random.RandomState(31)
    click = sox_gen(0.02, ["whitenoise"], 1, ["highpass", "1500"])[:, 0]
    for i in range(int(seconds * 6)):
        at = r.rand() * seconds
        c = click * env(len(click), 0.0005, 0.0, decay=0.002 + r.rand() * 0.004)
        t.add(c, at, 0.25 + r.rand() * 0.5, pan=(r.rand() - 0.5) * 0.8)
    tick = tone("bell", 96, 0.12)
    tock = tone("bell", 91, 0.12)
    for s in range(int(seconds)):
        t.add(tick if s % 2 == 0 else tock, s + 0.02, 0.05, pan=0.6)
    wind = sox_gen(total, ["pinknoise"], 2, ["bandpass", "400", "3q", "tremolo", "%.5f" % (2 / seconds), "70"])
    m = min(len(fire), len(wind))
    mix = fire[:m] * 0.5 + t.buf[:m] + wind[:m] * 0.06
    out = crossfade_loop(sox_fx(mix, ["reverb", "20", "50", "40"]), 2.0)
    return out


def storm(seconds=30.0):
    total = seconds + 2.0
    rain = sox_gen(total, ["whitenoise"], 2, ["highpass", "1200", "lowpass", "7000", "tremolo", "0.6", "15"])
    body = sox_gen(total, ["pinknoise"], 2, ["lowpass", "1500"])
    wind = sox_gen(total, ["pinknoise"], 2, ["bandpass", "500", "4q", "tremolo", "%.5f" % (3 / seconds), "80"])
    howl = sox_gen(total, ["sine", "%.1f-%.1f" % (320, 420)], 2, ["tremolo", "%.5f" % (1 / seconds), "90", "tremolo", "0.3", "50"])
    m = min(len(rain), len(body), len(wind), len(howl))
    mix = rain[:m] * 0.3 + body[:m] * 0.25 + wind[:m] * 0.55 + howl[:m] * 0.015
    thunder = sox_gen(5.0, ["brownnoise"], 2, ["lowpass", "120", "lowpass", "200"])
    e = env(len(thunder), 0.25, 0.0, decay=1.4)
    tt = Track(total, loop=False)
    tt.add(thunder * e[:, None], 11.0, 0.7)
    mix += tt.buf[:m]
    return crossfade_loop(sox_fx(mix, ["reverb", "40", "50", "90"]), 2.0)


# ------------------------------------------------------------------ effects

def mono_track(seconds):
    return Track(seconds, loop=False)


def fx_click():
    a = sox_gen(0.06, ["sine", "1900"], 1, ["highpass", "600"])[:, 0] * env(2646, 0.001, 0.0, decay=0.012)
    b = sox_gen(0.06, ["whitenoise"], 1, ["bandpass", "3000", "2q"])[:, 0] * env(2646, 0.0005, 0.0, decay=0.004)
    return (a * 0.7 + b * 0.4)[:, None]


def fx_rollover():
    a = sox_gen(0.04, ["sine", "2700"], 1)[:, 0]
    return (a * env(len(a), 0.001, 0.0, decay=0.006) * 0.5)[:, None]


def fx_found():
    t = Track(1.6, loop=False)
    for i, m in enumerate((79, 84, 88, 91)):
        t.note("bell", m, i * 0.07, 1.2, 0.5 - i * 0.06, pan=-0.3 + i * 0.2)
    sh = sox_gen(0.8, ["sine", "2000-5000"], 1, ["tremolo", "30", "80"])[:, 0]
    t.add(sh * env(len(sh), 0.02, 0.4) * 0.08, 0.12)
    return sox_fx(t.buf, ["reverb", "40", "50", "60"])


def fx_wrong():
    a = sox_gen(0.28, ["sine", "220-110"], 1)[:, 0]
    b = sox_gen(0.28, ["brownnoise"], 1, ["lowpass", "300"])[:, 0]
    m = min(len(a), len(b))
    out = (a[:m] * 0.8 + b[:m] * 0.5) * env(m, 0.005, 0.08, decay=0.09)
    return out[:, None]


def fx_hint():
    t = Track(2.2, loop=False)
    g = sox_gen(1.2, ["sine", "500-2200"], 1, ["tremolo", "12", "60"])[:, 0]
    t.add(g * env(len(g), 0.1, 0.5) * 0.25, 0.0)
    for i, m in enumerate((81, 86, 88, 93, 98)):
        t.note("bell", m, 0.15 + i * 0.12, 1.2, 0.25, pan=-0.5 + i * 0.25)
    return sox_fx(t.buf, ["reverb", "70", "50", "90", "100", "30"])


def fx_coin():
    t = Track(1.0, loop=False)
    t.note("bell", 95, 0.0, 0.25, 0.5)
    t.note("bell", 100, 0.08, 0.8, 0.6)
    return sox_fx(t.buf, ["reverb", "20", "50", "40"])


def fx_fanfare():
    t = Track(3.6, loop=False)
    seq = [((62, 66, 69), 0.0, 0.35), ((62, 66, 69), 0.38, 0.2), ((67, 71, 74), 0.6, 0.5), ((69, 73, 76), 1.12, 0.35),
           ((74, 78, 81), 1.5, 1.6)]
    for chord, at, dur in seq:
        for k, m in enumerate(chord):
            t.note("brass", m, at, dur + 0.2, 0.22, pan=-0.4 + 0.4 * k)
        t.note("bass", chord[0] - 24, at, dur + 0.3, 0.4)
    for i, m in enumerate((86, 90, 93, 98)):
        t.note("bell", m, 1.5 + i * 0.09, 1.6, 0.18, pan=0.4)
    return sox_fx(t.buf, ["reverb", "50", "50", "80"])


def fx_page():
    a = sox_gen(0.55, ["pinknoise"], 1, ["highpass", "800", "lowpass", "6000"])[:, 0]
    n = len(a)
    t = np.arange(n, dtype=np.float32) / n
    e = np.sin(np.pi * t) ** 2 * (1 + 0.6 * np.sin(t * 40) ** 2)
    flick = sox_gen(0.05, ["whitenoise"], 1, ["highpass", "2500"])[:, 0]
    out = a * e * 0.6
    out[int(n * 0.78):int(n * 0.78) + len(flick)] += flick * env(len(flick), 0.001, 0.0, decay=0.01) * 0.6
    return out[:, None]


def fx_whoosh():
    a = sox_gen(1.1, ["pinknoise"], 2, ["lowpass", "2500", "phaser", "0.8", "0.74", "3", "0.5", "0.6", "-t"])
    n = len(a)
    t = np.arange(n, dtype=np.float32) / n
    e = (np.sin(np.pi * t ** 0.8) ** 2)[:, None]
    pan = np.stack([1 - t * 0.7, 0.3 + t * 0.7], axis=1)
    return a * e * pan


def fx_error():
    t = Track(0.6, loop=False)
    for i, (f0, f1) in enumerate(((440, 430), (330, 320))):
        a = sox_gen(0.16, ["square", "%d-%d" % (f0, f1)], 1, ["lowpass", "1500"])[:, 0]
        t.add(a * env(len(a), 0.005, 0.04) * 0.3, i * 0.2)
    return t.buf


def fx_typing(variant):
    """A soft key tap for the name field: a short knock over a little noise, a
    different pitch per variant so quick typing does not sound mechanical."""
    n = int(0.05 * RATE)
    knock = sox_gen(0.05, ["sine", "%d" % (620 + 90 * variant)], 1, ["lowpass", "2400"])[:, 0]
    tick = sox_gen(0.05, ["whitenoise"], 1, ["bandpass", "%d" % (2600 + 300 * variant), "3q"])[:, 0]
    a = knock * env(n, 0.0005, 0.0, decay=0.006) * 0.6 + tick * env(n, 0.0003, 0.0, decay=0.0025) * 0.5
    return a[:, None]


def write_all(out):
    write_ogg(menu_theme(), "%s/music/menu.ogg" % out, 3)
    write_ogg(level1_loop(), "%s/music/level1.ogg" % out, 3)
    write_ogg(level2_loop(), "%s/music/level2.ogg" % out, 3)
    write_ogg(sea_wind(), "%s/ambient/sea_wind.ogg" % out, 1)
    write_ogg(indoor(), "%s/ambient/indoor.ogg" % out, 1)
    write_ogg(storm(), "%s/ambient/storm.ogg" % out, 1)
    effects = {
        "click": fx_click, "rollover": fx_rollover, "found": fx_found, "wrong": fx_wrong, "hint": fx_hint,
        "coin": fx_coin, "complete": fx_fanfare, "page": fx_page, "whoosh": fx_whoosh, "error": fx_error,
    }
    for name, fn in effects.items():
        write_ogg(fn(), "%s/sounds/%s.ogg" % (out, name), 4, peak=0.8)
    # The names the game's buttons and name field ask for.
    write_ogg(fx_click(), "%s/audio/sfx/button_click.ogg" % out, 4, peak=0.8)
    for variant in range(1, 5):
        write_ogg(fx_typing(variant), "%s/audio/sfx/sfx_typing_%02d.ogg" % (out, variant), 4, peak=0.6)
