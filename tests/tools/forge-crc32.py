#!/usr/bin/env python3
"""Appends 4 bytes to a file so that its CRC-32 becomes the given value: forge-crc32.py FILE 0xB566B395."""
import sys
import zlib


def forge(data: bytes, wanted: int) -> bytes:
    table = []
    for i in range(256):
        value = i
        for _ in range(8):
            value = (value >> 1) ^ 0xEDB88320 if value & 1 else value >> 1
        table.append(value)
    top = {entry >> 24: index for index, entry in enumerate(table)}
    state = zlib.crc32(data) ^ 0xFFFFFFFF
    back = wanted ^ 0xFFFFFFFF
    for _ in range(4):
        index = top[back >> 24]
        back = (((back ^ table[index]) << 8) | index) & 0xFFFFFFFF
    return data + (back ^ state).to_bytes(4, "little")


def main() -> int:
    path, wanted = sys.argv[1], int(sys.argv[2], 0)
    with open(path, "rb") as f:
        data = f.read()
    forged = forge(data, wanted)
    assert zlib.crc32(forged) == wanted
    with open(path, "wb") as f:
        f.write(forged)
    return 0


if __name__ == "__main__":
    sys.exit(main())
