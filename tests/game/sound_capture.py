#!/usr/bin/env python3
"""Checks a capture of the game's sound (SDL's disk driver: 16-bit mono at 44100 Hz) against
the game's sound log (KORVALEN_SOUND_LOG). Exit 0: holds; 1: fails; 3: too short to tell yet.
  sound_capture.py CAPTURE LOG silent|muted|heard|minimised|any
silent: no effect started, every sample 0 (3 s at least); muted: effects started, all silent,
every sample 0; heard: a match is heard, each effect that started in silence in the first
buffer after its step; minimised: a second of silence from the minimising on; any: an effect
started and a sample is not 0.
"""
import array
import re
import sys

RATE = 44100
BUFFER = 512


def read(capture, log):
    samples = array.array("h")
    with open(capture, "rb") as f:
        data = f.read()
    samples.frombytes(data[: len(data) // 2 * 2])
    effects = []
    for line in open(log):
        m = re.match(r"step (\d+) effect (\S+) frame (\d+) ms ([\d.]+)( silent)?$", line)
        if m:
            effects.append((m.group(2), int(m.group(3)), bool(m.group(5))))
    return samples, effects


def main():
    capture, log, check = sys.argv[1:4]
    samples, effects = read(capture, log)
    loud = sum(1 for s in samples if s)
    if check == "any":
        return 0 if effects and loud else 3
    if check in ("silent", "muted"):
        if check == "silent" and effects:
            print(f"effects started: {effects[:3]}")
            return 1
        if check == "muted" and any(not e[2] for e in effects):
            print("an effect was heard")
            return 1
        if loud:
            print(f"{loud} samples not silent")
            return 1
        ready = len(samples) >= 3 * RATE and (check == "silent" or len(effects) >= 8)
        if ready:
            print(f"{check}: {len(samples) / RATE:.1f} s captured, {len(effects)} effects, all 0")
        return 0 if ready else 3
    if check == "minimised":
        froms = [int(l.split()[2]) for l in open(log) if l.startswith("inactive frame ")]
        if not froms or len(samples) < froms[0] + 8 * BUFFER + RATE:
            return 3
        # up to 8 buffers of the device's lead (see heard) may still hold what was playing
        loud = sum(1 for s in samples[froms[0] + 8 * BUFFER :] if s)
        if loud:
            print(f"{loud} samples heard after the window was minimised")
            return 1
        print(f"minimised: {(len(samples) - froms[0]) / RATE:.1f} s of silence")
        return 0
    # heard: every effect that started in silence, found in the capture
    starts = [e for e in effects if e[0] == "match_start.wav"]
    if not starts:
        return 3
    # The device writes silence from the moment it opens until the mixer is attached: the
    # capture runs ahead of the mixer's count by the same few buffers all along.
    lead = None
    match_from = starts[0][1]
    offsets, shots = [], 0
    for name, frame, silent in effects:
        if silent or frame + RATE // 10 > len(samples):
            continue
        if any(samples[max(0, frame - RATE // 20) : frame + (lead or 0)]):
            continue  # another sound still playing: its onset cannot be told apart
        onset = next((i for i in range(frame, frame + RATE // 10) if samples[i]), None)
        if onset is None:
            print(f"{name} of the step at frame {frame}: not heard")
            return 1
        if lead is None:
            lead = (onset - frame) // BUFFER * BUFFER
            if lead > 8 * BUFFER:
                print(f"{name}, the first sound heard, starts {onset - frame} frames after its step")
                return 1
        if not 0 <= onset - frame - lead <= RATE // 500:
            print(f"{name} of the step at frame {frame} starts at {onset}, not in the first buffer "
                  f"after it (the capture leads by {lead})")
            return 1
        offsets.append(onset - frame - lead)
        shots += name.startswith("shot_")
    if shots < 2 or len(samples) - match_from < 10 * RATE:
        return 3
    share = sum(1 for s in samples[match_from + lead :] if s) / max(1, len(samples) - match_from)
    if share < 0.02:
        print(f"only {share:.1%} of the match's samples are not silent")
        return 1
    print(f"heard: {share:.1%} of the match's samples not silent; {len(offsets)} effects started in "
          f"silence, {shots} shots, each {max(offsets)} samples or less into the first buffer after "
          f"its step (the capture leads the mixer by {lead} frames)")
    return 0


sys.exit(main())
