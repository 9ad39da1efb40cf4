#!/usr/bin/env python3
"""Writes a full-chip image file: 4096 pages of 528 bytes as Intel HEX records of 32 data bytes,
with an extended address record before every 64 KiB segment, the end record and CR LF line ends
(33 extended address records, 67,584 data records).

usage: make-full-image.py OUT [--seed N]
"""
import argparse
import random

PAGES = 4096
PAGE_LENGTH = 528
RECORD_LENGTH = 32
SEGMENT = 0x10000


def record(address, record_type, data):
    body = bytes([len(data), address >> 8, address & 0xFF, record_type]) + bytes(data)
    checksum = (-sum(body)) & 0xFF
    return ":" + (body + bytes([checksum])).hex().upper() + "\r\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--seed", type=int, default=528)
    args = parser.parse_args()

    image = random.Random(args.seed).randbytes(PAGES * PAGE_LENGTH)
    lines = []
    segment = -1
    for position in range(0, len(image), RECORD_LENGTH):
        if position // SEGMENT != segment:
            segment = position // SEGMENT
            lines.append(record(0, 4, [segment >> 8, segment & 0xFF]))
        lines.append(record(position % SEGMENT, 0, image[position:position + RECORD_LENGTH]))
    lines.append(":00000001FF\r\n")
    with open(args.out, "w", newline="", encoding="ascii") as out:
        out.write("".join(lines))


if __name__ == "__main__":
    main()
