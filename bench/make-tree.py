#!/usr/bin/env python3
"""Generates the scan benchmark's deterministic file tree, shaped like a Windows system drive, outside the repository.

make-tree.py [--files N] [--dir DIR]   (or PURGEWELL_BENCH_FILES, PURGEWELL_BENCH_DIR; defaults 50000, /var/tmp/purgewell-bench)

Writes DIR/tree (the drive's contents), DIR/forged.list (the forged Vexlor files' drive-relative paths) and
DIR/tree.stamp; regenerates only when the stamp differs.
Large files are sparse: only their first 4 KiB hold data, since the programs under test never read files over
41984 bytes.
"""
import argparse
import hashlib
import json
import math
import os
import random
import shutil
import subprocess
import sys
import zlib

GENERATOR_VERSION = 3
SIZE_LIMIT = 41984
# The known builds' CRC-32 values: no ordinary file of the tree may carry one by chance.
VEXLOR_CRCS = [
    0x7278A0B5, 0xEDE861BD, 0xF74F4B8D, 0xEE563122, 0x421E644B, 0x23E59C54, 0x22B06E5D, 0xBA6205E1,
    0x16C66462, 0xAA0CD31C, 0x9BB916C0, 0xB49C665A, 0x6DFCC301, 0x411A3D2A, 0x7A5F9E7C, 0xF5359566,
    0xDE1D88A3, 0xE100707E, 0x1E060390, 0x83DF3521, 0xCA75F998, 0x36EB3AC2, 0xB566B395, 0x67081651,
]
# The forged files: (CRC, name) planted at chosen depths.
FORGED = [
    (0xB566B395, "Vexlor.y", "svchostx.exe"),
    (0x7278A0B5, "Vexlor.a", "msupdate.exe"),
    (0x22B06E5D, "Vexlor.b", "winlogin.dll"),
    (0xCA75F998, "Vexlor.x", "helper32.exe"),
    (0x67081651, "Vexlor.z", "setup_tmp.exe"),
]
TOP_LEVEL = [("Windows", 30), ("Program Files", 14), ("Program Files (x86)", 10), ("ProgramData", 8),
             ("Users", 12), ("PerfLogs", 1), ("Recovery", 1), ("Intel", 1), ("Drivers", 2)]
EXTENSIONS = ["dll"] * 20 + ["exe"] * 5 + ["sys"] * 3 + ["mui"] * 8 + ["xml"] * 6 + ["inf"] * 3 + ["cat"] * 5 + \
             ["manifest"] * 6 + ["png"] * 6 + ["ini"] * 2 + ["dat"] * 3 + ["log"] * 2 + ["txt"] * 2 + \
             ["js"] * 2 + ["cab"] + ["etl"] + ["pnf"] * 2 + ["ico"] * 2 + ["ttf"] + ["chm"]
RESERVED = {"con", "prn", "aux", "nul"} | {f"com{i}" for i in range(10)} | {f"lpt{i}" for i in range(10)}
SYLLABLES = ["win", "sys", "net", "data", "core", "micro", "soft", "shell", "user", "conf", "app", "ms", "ui",
             "kern", "drv", "font", "ime", "res", "cache", "temp", "boot", "log", "srv", "host", "mgr", "util",
             "media", "print", "cred", "sec", "wow", "x86", "amd", "web", "help", "lang", "en", "us", "de"]
MAX_DEPTH = 16
MAX_PATH_CHARS = 230  # with "D:\", well inside the 260-character limit of the ANSI calls


def make_name(rng, taken, extension=None):
    while True:
        parts = rng.randint(1, 3)
        name = "".join(rng.choice(SYLLABLES) for _ in range(parts))
        if rng.random() < 0.4:
            name += str(rng.randint(0, 99))
        if rng.random() < 0.15:
            name = name.capitalize()
        if rng.random() < 0.1:
            name += "_" + rng.choice(SYLLABLES)
        if extension:
            name += "." + extension
        key = name.lower()
        if key.split(".")[0] in RESERVED or key in taken:
            continue
        taken.add(key)
        return name


def plan(files, seed):
    """Returns the directory list (relative paths), the files (relative path, size) and the forged files."""
    rng = random.Random(seed)
    directory_count = max(len(TOP_LEVEL), files // 8)
    dirs = [""]
    depth = {"": 0}
    taken = {"": set()}
    weights = []
    for name, weight in TOP_LEVEL:
        taken[""].add(name.lower())
        dirs.append(name)
        depth[name] = 1
        taken[name] = set()
        weights.append(weight)
    # A random recursive tree below the top level: depth grows like the logarithm of the count, as on a real drive.
    while len(dirs) < directory_count:
        parent = dirs[rng.randint(1, len(dirs) - 1)] if rng.random() < 0.9 else \
            rng.choices([n for n, _ in TOP_LEVEL], weights)[0]
        if depth[parent] >= MAX_DEPTH or len(parent) > MAX_PATH_CHARS - 60:
            continue
        child = parent + "\\" + make_name(rng, taken[parent])
        dirs.append(child)
        depth[child] = depth[parent] + 1
        taken[child] = set()

    # Files crowd into a few directories (System32, WinSxS-like), as a Pareto weighting gives.
    file_dirs = dirs[1:]
    dir_weights = [rng.paretovariate(1.1) for _ in file_dirs]
    targets = rng.choices(file_dirs, dir_weights, k=files - len(FORGED))
    entries = []
    for directory in targets:
        roll = rng.random()
        if roll < 0.01:
            size = 0
        elif roll < 0.012:
            size = SIZE_LIMIT + rng.randint(0, 1)
        else:
            size = int(math.exp(rng.gauss(math.log(4500), 1.6)))
            size = max(1, min(size, 64 * 1024 * 1024))
        path = directory + "\\" + make_name(rng, taken[directory], rng.choice(EXTENSIONS))
        entries.append((path, size))

    deep = sorted(dirs[1:], key=lambda d: (-depth[d], d))
    forged = []
    for index, (crc, variant, name) in enumerate(FORGED):
        # One deep, the others at varied depths.
        directory = deep[0] if index == 0 else rng.choice(dirs[1:])
        while name.lower() in taken[directory]:
            directory = rng.choice(dirs[1:])
        taken[directory].add(name.lower())
        forged.append((directory + "\\" + name, crc, variant, 2000 + index * 7919))
    return dirs, entries, forged


def write_tree(root, dirs, entries, forged, forge_tool, seed):
    rng = random.Random(seed + 1)
    pool = rng.randbytes(4 * 1024 * 1024)
    bad = set(VEXLOR_CRCS)
    for directory in dirs[1:]:
        os.makedirs(os.path.join(root, directory.replace("\\", "/")), exist_ok=True)
    for index, (path, size) in enumerate(entries):
        full = os.path.join(root, path.replace("\\", "/"))
        start = (index * 7919) % (len(pool) - 4096)
        if size <= SIZE_LIMIT:
            data = (pool[start:] + pool)[:size] if start + size > len(pool) else pool[start:start + size]
            data = index.to_bytes(4, "little")[:size] + data[4:]
            while size and zlib.crc32(data) in bad:
                data = bytes([data[0] ^ 0xFF]) + data[1:]
            with open(full, "wb") as f:
                f.write(data)
        else:
            with open(full, "wb") as f:
                f.write(pool[start:start + 4096])
                f.truncate(size)
    for path, crc, variant, size in forged:
        full = os.path.join(root, path.replace("\\", "/"))
        with open(full, "wb") as f:
            f.write(b"MZ" + rng.randbytes(size - 2))
        subprocess.run([forge_tool, full, hex(crc)], check=True)
        with open(full, "rb") as f:
            data = f.read()
        assert zlib.crc32(data) == crc


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--files", type=int, default=int(os.environ.get("PURGEWELL_BENCH_FILES", "50000")))
    parser.add_argument("--dir", default=os.environ.get("PURGEWELL_BENCH_DIR", "/var/tmp/purgewell-bench"))
    parser.add_argument("--seed", type=int, default=20261206)
    args = parser.parse_args()
    if args.files < 100:
        parser.error("--files must be at least 100")

    here = os.path.dirname(os.path.abspath(__file__))
    forge_tool = os.path.join(here, "..", "tests", "tools", "forge-crc32.py")
    with open(os.path.abspath(__file__), "rb") as f:
        generator = hashlib.sha256(f.read()).hexdigest()
    stamp = {"version": GENERATOR_VERSION, "files": args.files, "seed": args.seed, "generator": generator}

    base = os.path.abspath(args.dir)
    root = os.path.join(base, "tree")
    stamp_path = os.path.join(base, "tree.stamp")
    try:
        with open(stamp_path) as f:
            if json.load(f) == stamp and os.path.isdir(root):
                with open(os.path.join(base, "tree.summary")) as summary:
                    print(summary.read().strip() + " (up to date)")
                return 0
    except (OSError, ValueError):
        pass

    os.makedirs(base, exist_ok=True)
    if os.path.exists(stamp_path):
        os.remove(stamp_path)
    shutil.rmtree(root, ignore_errors=True)
    building = root + ".new"
    shutil.rmtree(building, ignore_errors=True)
    os.makedirs(building)

    dirs, entries, forged = plan(args.files, args.seed)
    write_tree(building, dirs, entries, forged, forge_tool, args.seed)
    os.rename(building, root)
    with open(os.path.join(base, "forged.list"), "w") as f:
        f.write("".join(f"{path}\t{variant}\n" for path, _, variant, _ in forged))

    small = sum(1 for _, size in entries if size <= SIZE_LIMIT) + len(forged)
    depths = [path.count("\\") + 1 for path, _ in entries]
    summary = (f"make-tree.py: {root}: {args.files} files in {len(dirs) - 1} directories, {small} of at most {SIZE_LIMIT} "
          f"bytes, depth mean {sum(depths) / len(depths):.1f} max {max(depths)}, {len(forged)} forged Vexlor files")
    with open(os.path.join(base, "tree.summary"), "w") as f:
        f.write(summary + "\n")
    with open(stamp_path, "w") as f:
        json.dump(stamp, f)
    print(summary)
    return 0


if __name__ == "__main__":
    sys.exit(main())
