#!/usr/bin/env python3
"""Erases every chip page of a programmer with as few system calls as the line allows.

    bench/lean-erase.py PORT [--pages N]

The yardstick for velmora-cli's processor time per exchange (bench/exchange-cost.py): one
process, one thread, no log, nothing printed per page. The port is set up once (raw, 8N1, and a
read that waits for at least the shortest reply frame), then each page costs one write and
normally one read. Only the Python 3 standard library is used.

The frame: 0xAA, the package with every 0xAA and 0x55 sent twice, a single 0x55, 0xFF. The
package: number, command, page (2 bytes, high first), data length (2 bytes), data, checksum
(sum with end-around carry, negated). Erase is command 0x50; a reply whose command has low
nibble 1 means done.
"""

import os
import sys
import termios

START, END, TERMINATOR = 0xAA, 0x55, 0xFF
ERASE = 0x50
# Start marker, a package without data (7 bytes), end marker, terminator.
SHORTEST_FRAME = 10


def checksum(package):
    total = 0
    for byte in package:
        total += byte
        if total > 255:
            total = (total & 255) + 1
    return -total & 255


def frame(number, command, page):
    package = bytes([number, command, page >> 8, page & 255, 0, 0])
    package += bytes([checksum(package)])
    stuffed = bytearray([START])
    for byte in package:
        stuffed.append(byte)
        if byte in (START, END):
            stuffed.append(byte)
    stuffed += bytes([END, TERMINATOR])
    return bytes(stuffed)


def scan(received):
    """The package of the first whole frame in received; while there is none yet, None and the
    fewest bytes the frame can still lack."""
    start = received.find(START)
    if start < 0:
        return None, SHORTEST_FRAME
    package = bytearray()
    index = start + 1
    while index < len(received):
        byte = received[index]
        if byte in (START, END):
            if index + 1 == len(received):
                return None, 1  # the marker's twin or the frame's last byte is still due
            if received[index + 1] == byte:
                package.append(byte)
                index += 2
                continue
            if byte == END:
                return bytes(package), 0
        package.append(byte)
        index += 1
    length = 7 + (package[4] << 8 | package[5]) if len(package) >= 6 else 7
    return None, max(0, length - len(package)) + 2


def set_minimum(descriptor, attributes, minimum):
    attributes[6][termios.VMIN] = minimum
    termios.tcsetattr(descriptor, termios.TCSANOW, attributes)


def open_port(path):
    descriptor = os.open(path, os.O_RDWR | os.O_NOCTTY)
    attributes = termios.tcgetattr(descriptor)
    attributes[0] = 0  # no input processing
    attributes[1] = 0  # no output processing
    attributes[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
    attributes[3] = 0  # no echo, no line editing, no signals
    attributes[4] = attributes[5] = termios.B115200
    attributes[6][termios.VTIME] = 0
    set_minimum(descriptor, attributes, SHORTEST_FRAME)
    termios.tcflush(descriptor, termios.TCIOFLUSH)
    return descriptor, attributes


def exchange(descriptor, attributes, request):
    os.write(descriptor, request)
    received = os.read(descriptor, 4096)
    package, missing = scan(received)
    if package is None:
        # A reply with doubled bytes: wait for what it still lacks, then go back.
        while package is None:
            set_minimum(descriptor, attributes, min(missing, 255))
            received += os.read(descriptor, 4096)
            package, missing = scan(received)
        set_minimum(descriptor, attributes, SHORTEST_FRAME)
    return package


def main():
    arguments = sys.argv[1:]
    pages = 4096
    if len(arguments) == 3 and arguments[1] == "--pages":
        pages = int(arguments[2])
    elif len(arguments) != 1:
        sys.exit("usage: lean-erase.py PORT [--pages N]")
    descriptor, attributes = open_port(arguments[0])
    for page in range(pages):
        reply = exchange(descriptor, attributes, frame((page + 1) & 255, ERASE, page))
        if len(reply) < 7 or reply[1] & 0x0F != 1 or reply[2:4] != bytes([page >> 8, page & 255]):
            sys.exit("page %d: unexpected reply %s" % (page, reply.hex(" ")))
    os.close(descriptor)


if __name__ == "__main__":
    main()
