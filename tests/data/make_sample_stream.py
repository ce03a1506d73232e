#!/usr/bin/env python3
"""Writes sample_stream.bin: what the instrument sends while a boat runs from
3 m of water out to 28 m and back to 20 m, one frame per ping, with a mark key
press, a frame broken by a line error and a few pings that miss the bottom.

Run it from this folder: python3 make_sample_stream.py
"""


def pair(a, b):
    return [0x40 | (a << 3) | b]


def run(value, length):
    out = []
    while length > 0:
        n = min(length, 2047)
        out += [0x80 | (value << 3) | (n >> 8), n & 0xFF]
        length -= n
    return out


def frame(body, volts_byte=0x9E, selfcheck=0, mark=0):
    return [0x0A] + body + [0xCA, volts_byte, selfcheck, mark]


def ping(depth_m, echo=True):
    """Body for a bottom at depth_m below the transducer (1 cm bins)."""
    bins = int(round(depth_m * 100))
    body = pair(6, 6)                        # transmit ringing
    body += run(0, bins - 3)
    if echo:
        strong = 10 if depth_m < 10 else 4   # the return weakens with depth
        body += pair(1, 7) + run(7, strong - 1) + run(4, 8)
        body += pair(5, 5) + pair(4, 3) + pair(2, 1)
        body += run(0, 40) + pair(1, 0)      # a speck of noise under the bottom
        body += run(0, bins // 3)
    else:
        body += run(0, bins // 2)
    return body


def main():
    stream = []
    depths = [3.0 + 0.5 * k for k in range(51)] + [28.0 - 0.8 * k for k in range(11)]
    for k, d in enumerate(depths):
        if k == 12:
            # A line error: the frame is dropped at the bad byte.
            stream += [0x0A] + pair(1, 1) + [0x05] + pair(3, 3) + [0xCA, 0x9E, 0, 0]
        body = ping(d, echo=not (30 <= k < 33))
        stream += frame(body, volts_byte=0x9E if k < 40 else 0x9B, mark=1 if k in (20, 21) else 0)
    with open("sample_stream.bin", "wb") as f:
        f.write(bytes(stream))


if __name__ == "__main__":
    main()
