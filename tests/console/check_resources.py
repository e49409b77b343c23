#!/usr/bin/env python3
"""Reads the resources back out of PurgewellConsole.exe and checks them.

check_resources.py PROGRAM.exe ICON.ico WINDRES [PRODUCT_NAME FILE_DESCRIPTION]
The exe must hold the named 32x32 256-colour icon "IDI_ICON" with the very image of ICON.ico, a manifest
without dependencies that runs it as invoked, and version 1.0.0.0 with the product name and file description
given (by default the console's).
"""
import struct
import subprocess
import sys
import tempfile


def read_res(path):
    """Records of a .res file as (type, name, data); ids are ints, names strings."""
    data = open(path, "rb").read()
    offset, records = 0, []

    def ident(at):
        if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, at + 2)[0], at + 4
        end = at
        while struct.unpack_from("<H", data, end)[0] != 0:
            end += 2
        return data[at:end].decode("utf-16-le"), end + 2

    while offset < len(data):
        size, header = struct.unpack_from("<II", data, offset)
        kind, at = ident(offset + 8)
        name, at = ident(at)
        body = data[offset + header:offset + header + size]
        if size:
            records.append((kind, name, body))
        offset += header + size
        offset += (-offset) % 4
    return records


def program_resources(program, windres):
    """The program's resources as {type: {name: data}}, read back out of the file by windres."""
    with tempfile.TemporaryDirectory() as scratch:
        res = scratch + "/program.res"
        subprocess.run([windres, "-i", program, "-O", "res", "-o", res], check=True)
        records = read_res(res)
    by_type = {}
    for kind, name, body in records:
        by_type.setdefault(kind, {})[name] = body
    return by_type


def version_string(body, key):
    """The value of one String entry: its key in UTF-16, then padding to 32 bits, then the value."""
    at = body.find((key + "\0").encode("utf-16-le"))
    if at < 0:
        return None
    at += len(key) * 2 + 2
    at += (-at) % 4
    end = at
    while end + 1 < len(body) and body[end:end + 2] != b"\0\0":
        end += 2
    return body[at:end].decode("utf-16-le")


def main():
    program, icon_path, windres = sys.argv[1:4]
    product_name, description = (sys.argv[4:6] if len(sys.argv) > 5 else
                                 ("Vexlor Removal Tool - Console version",
                                  "Removal tool for the Vexlor family - Console version"))
    problems = []
    by_type = program_resources(program, windres)

    groups = by_type.get(14, {})
    if list(groups) != ["IDI_ICON"]:
        problems.append(f"icon groups {list(groups)}, want exactly the named IDI_ICON")
    else:
        reserved, kind, count = struct.unpack_from("<HHH", groups["IDI_ICON"], 0)
        width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", groups["IDI_ICON"], 6)
        if (kind, count, width, height, colours, bits) != (1, 1, 32, 32, 0, 8):
            problems.append(f"icon entry {(kind, count, width, height, colours, bits)}, want one 32x32 8-bit icon")
        ico = open(icon_path, "rb").read()
        image_size, image_offset = struct.unpack_from("<II", ico, 6 + 8)
        if by_type.get(3, {}).get(icon_id) != ico[image_offset:image_offset + image_size]:
            problems.append("the icon image differs from the drawn program icon")

    manifest = by_type.get(24, {}).get(1, b"").decode("utf-8", errors="replace")
    if "<assembly" not in manifest or "<dependency" in manifest:
        problems.append(f"manifest missing or with dependencies: {manifest!r}")
    # No elevation of its own: an administrator uses an elevated command prompt.
    if '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' not in manifest:
        problems.append(f"manifest does not run the program as invoked: {manifest!r}")

    version = by_type.get(16, {}).get(1, b"")
    fixed = version.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        problems.append("no fixed version information")
    else:
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", version, fixed + 8)
        if (file_ms, file_ls, product_ms, product_ls) != (0x00010000, 0, 0x00010000, 0):
            problems.append(f"fixed versions {(hex(file_ms), file_ls, hex(product_ms), product_ls)}, want 1.0.0.0")
    for key, want in [("FileVersion", "1.0.0.0"), ("ProductVersion", "1.0.0.0"),
                      ("ProductName", product_name), ("FileDescription", description)]:
        got = version_string(version, key)
        if got != want:
            problems.append(f"{key} is {got!r}, want {want!r}")

    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
