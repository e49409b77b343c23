#!/usr/bin/env python3
"""Reads the resources back out of Purgewell.exe, without running it, and checks them.

check_gui_resources.py PROGRAM.exe ICON.ico WINDRES ARCHITECTURE
The exe must hold the main and About dialogs (1000, 1001), the program icon 1400 with the very image of ICON.ico,
version 1.0.0.0 with the windowed program's names, and a manifest that asks for common controls 6 and the highest
rights the user has, naming ARCHITECTURE (x86 for a PE32 program, amd64 for a PE32+ one) for itself and for the
common controls: the loader refuses an assembly of another processor.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "console"))
from check_resources import program_resources, version_string  # noqa: E402

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24


def manifest_problems(manifest, architecture):
    problems = []
    identities = re.findall(r"<assemblyIdentity\b[^>]*>", manifest)
    controls = [identity for identity in identities if 'name="Microsoft.Windows.Common-Controls"' in identity]
    own = [identity for identity in identities if identity not in controls]
    if len(controls) != 1 or 'version="6.0.0.0"' not in controls[0]:
        problems.append(f"manifest does not ask for common controls 6 once: {controls}")
    for identity in own + controls:
        if f'processorArchitecture="{architecture}"' not in identity:
            problems.append(f"manifest identity not for {architecture}: {identity}")
    if '<requestedExecutionLevel level="highestAvailable" uiAccess="false"/>' not in manifest:
        problems.append("manifest does not ask for the highest rights the user has")
    return problems


def main():
    program, icon_path, windres, architecture = sys.argv[1:5]
    by_type = program_resources(program, windres)

    problems = []
    dialogs = sorted(by_type.get(RT_DIALOG, {}))
    if dialogs != [1000, 1001]:
        problems.append(f"dialogs {dialogs}, want the main dialog 1000 and the About box 1001")
    group = by_type.get(RT_GROUP_ICON, {}).get(1400)
    if group is None:
        problems.append(f"no icon group 1400 (icon groups {sorted(by_type.get(RT_GROUP_ICON, {}), key=str)})")
    else:
        icon_id = int.from_bytes(group[6 + 12:6 + 14], "little")
        ico = open(icon_path, "rb").read()
        size, offset = int.from_bytes(ico[14:18], "little"), int.from_bytes(ico[18:22], "little")
        if by_type.get(RT_ICON, {}).get(icon_id) != ico[offset:offset + size]:
            problems.append("the icon image differs from the drawn program icon")

    version = by_type.get(RT_VERSION, {}).get(1, b"")
    for key, want in [("FileVersion", "1.0.0.0"), ("ProductVersion", "1.0.0.0"),
                      ("ProductName", "Vexlor Removal Tool"),
                      ("FileDescription", "Removal tool for the Vexlor family")]:
        got = version_string(version, key)
        if got != want:
            problems.append(f"{key} is {got!r}, want {want!r}")

    manifest = by_type.get(RT_MANIFEST, {}).get(1, b"").decode("utf-8", errors="replace")
    problems += manifest_problems(manifest, architecture)

    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
