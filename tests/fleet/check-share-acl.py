#!/usr/bin/env python3
"""Reads the icacls lines of deploy/share-acl.cmd and checks the roles they give (Wine keeps no access lists).

check-share-acl.py SCRIPT
The program folder: nothing inherited; Administrators and SYSTEM full control; the domain's computers read and run
only. The reports folder: nothing inherited; Administrators and SYSTEM full control; the computers create files in
that folder only, with no right to list, make folders, write attributes or delete; CREATOR OWNER modify, on files only.
No other principal appears, and nobody but the administrators, SYSTEM and a file's creator may delete.
"""
import re
import shlex
import sys

ADMINISTRATORS, SYSTEM, CREATOR_OWNER = "*S-1-5-32-544", "*S-1-5-18", "*S-1-3-0"
COMPUTERS = "%COMPUTERS%"
# icacls rights that let their holder delete or take over what they apply to.
DELETING = {"F", "M", "D", "DC", "WDAC", "WO"}


def grants(line):
    """(target, inheritance removed, {principal: (flags, rights)}) of one icacls line."""
    words = shlex.split(line.replace("||", "").replace("exit /b 1", ""), posix=True)
    target = words[1]
    removed = "/inheritance:r" in words
    entries = {}
    for word in words[2:]:
        match = re.fullmatch(r"(.+?):((?:\([A-Z]{1,2}\))*)\(([A-Z,]+)\)|(.+?):((?:\([A-Z]{1,2}\))*)([A-Z]+)", word)
        if not match:
            continue
        principal = match.group(1) or match.group(4)
        flags = re.findall(r"\(([A-Z]{1,2})\)", match.group(2) or match.group(5) or "")
        rights = set((match.group(3) or match.group(6)).split(","))
        entries[principal] = (set(flags), rights)
    return target, removed, entries


def main():
    lines = [line.strip() for line in open(sys.argv[1], encoding="ascii") if line.strip().lower().startswith("icacls ")]
    folders = {target: (removed, entries) for target, removed, entries in map(grants, lines)}
    problems = []

    def expect(condition, text):
        if not condition:
            problems.append(text)

    program = folders.get("%FOLDER%")
    reports = folders.get("%FOLDER%\\reports")
    expect(program is not None and reports is not None, f"icacls lines for the two folders, got {sorted(folders)}")
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1
    for name, (removed, entries) in (("program", program), ("reports", reports)):
        expect(removed, f"{name} folder: inheritance is not removed")
        for principal in (ADMINISTRATORS, SYSTEM):
            expect(entries.get(principal) == ({"OI", "CI"}, {"F"}), f"{name} folder: {principal} {entries.get(principal)}")
    expect(set(program[1]) == {ADMINISTRATORS, SYSTEM, COMPUTERS}, f"program folder principals {sorted(program[1])}")
    expect(program[1].get(COMPUTERS) == ({"OI", "CI"}, {"RX"}), f"program folder: computers {program[1].get(COMPUTERS)}")

    entries = reports[1]
    expect(set(entries) == {ADMINISTRATORS, SYSTEM, COMPUTERS, CREATOR_OWNER}, f"reports principals {sorted(entries)}")
    flags, rights = entries.get(COMPUTERS, (set(), set()))
    expect(flags == {"NP"}, f"reports: computers' entry applies beyond the folder itself: {flags}")
    expect("WD" in rights, "reports: computers cannot create files")
    expect(not rights & (DELETING | {"AD", "RD", "WA", "WEA", "W", "R", "RX"}),
           f"reports: computers have more than creating files: {sorted(rights)}")
    expect(entries.get(CREATOR_OWNER) == ({"OI", "IO"}, {"M"}), f"reports: CREATOR OWNER {entries.get(CREATOR_OWNER)}")
    deleters = {p for p, (_, r) in entries.items() if r & DELETING}
    expect(deleters == {ADMINISTRATORS, SYSTEM, CREATOR_OWNER}, f"reports: may delete: {sorted(deleters)}")

    print("\n".join(problems), file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
