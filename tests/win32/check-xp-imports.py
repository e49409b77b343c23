#!/usr/bin/env python3
"""Checks that Windows XP SP3 can start each given program: every function it imports is exported by that
DLL on XP SP3 (lists in xp-exports/), every DLL it imports is one XP cannot take from the program's folder
(xp-known-dlls.txt, or common controls taken from the side-by-side store through the program's manifest),
and its PE header says 5.1 for the operating system and the subsystem.
check-xp-imports.py PROGRAM.exe...   (OBJDUMP names the objdump to use)"""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
EXPORTS = os.path.join(HERE, "xp-exports")
MINIMUM = ("5", "1")
# A program whose manifest depends on common controls 6 gets COMCTL32.DLL from the side-by-side store, never from
# its own folder (a planted copy is tested by the windowed program's tests).
SIDE_BY_SIDE = {"comctl32.dll": b"Microsoft.Windows.Common-Controls"}


def read_names(path):
    with open(path, encoding="ascii") as data:
        return {line.strip() for line in data if line.strip() and not line.startswith("#")}


def read_known_dlls():
    return {name.lower() for name in read_names(os.path.join(HERE, "xp-known-dlls.txt"))}


def export_list(dll, cache):
    """The XP SP3 export names of a DLL, or None when the repository keeps no list for it."""
    key = dll.lower()
    if key not in cache:
        path = os.path.join(EXPORTS, re.sub(r"\.dll$", "", key) + ".txt")
        cache[key] = read_names(path) if os.path.exists(path) else None
    return cache[key]


def parse_headers(text):
    """(header fields, [(dll, [imported names; '#ordinal' for imports by ordinal])]) from objdump -p."""
    fields = dict(re.findall(r"^(\w+)\s+([0-9a-fA-F]+)\s*$", text, re.MULTILINE))
    imports = []
    for line in text.splitlines():
        dll = re.match(r"\s*DLL Name: (\S+)", line)
        if dll:
            imports.append((dll.group(1), []))
            continue
        member = re.match(r"\t[0-9a-f]+\t\s*(\d+)\s+(\S+)", line)
        if member and imports:
            imports[-1][1].append(member.group(2))
            continue
        by_ordinal = re.match(r"\t[0-9a-f]+\t\s*(\d+)\s*<none>", line)
        if by_ordinal and imports:
            imports[-1][1].append("#" + by_ordinal.group(1))
    return fields, imports


def check(program, known_dlls, cache):
    objdump = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    fields, imports = parse_headers(text)
    name = os.path.basename(program)
    faults = []
    for kind in ("OSystem", "Subsystem"):
        version = (fields.get("Major%sVersion" % kind), fields.get("Minor%sVersion" % kind))
        if version != MINIMUM:
            faults.append("%s: PE header %s version %s.%s, not %s.%s" % ((name, kind) + version + MINIMUM))
    if not imports:
        faults.append("%s: no import table found" % name)
    with open(program, "rb") as image:
        contents = image.read()
    for dll, functions in imports:
        redirected = dll.lower() in SIDE_BY_SIDE and SIDE_BY_SIDE[dll.lower()] in contents
        if dll.lower() not in known_dlls and not redirected:
            faults.append("%s: imports %s, which Windows XP SP3 would also look for beside the program" % (name, dll))
        exports = export_list(dll, cache)
        if exports is None:
            faults.append("%s: imports %s, for which no XP SP3 export list is kept" % (name, dll))
            continue
        for function in functions:
            if function not in exports:
                faults.append("%s: imports %s!%s, which Windows XP SP3 does not export" % (name, dll, function))
    return faults, sum(len(functions) for _, functions in imports)


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    known_dlls = read_known_dlls()
    cache = {}
    status = 0
    for program in sys.argv[1:]:
        faults, count = check(program, known_dlls, cache)
        for fault in faults:
            print(fault)
        if faults:
            status = 1
        else:
            print("%s: %d imports, all exported by Windows XP SP3; header 5.1" % (os.path.basename(program), count))
    return status


if __name__ == "__main__":
    sys.exit(main())
