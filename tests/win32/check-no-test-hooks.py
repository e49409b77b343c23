#!/usr/bin/env python3
"""Checks that no shipped program can obey a test hook: none imports a call that reads the environment, and
none holds the name of a test variable, in ASCII or in UTF-16.

check-no-test-hooks.py PROGRAM... (OBJDUMP names the toolchain's objdump)"""
import os
import re
import subprocess
import sys

ENVIRONMENT_CALLS = re.compile(
    r"^(GetEnvironmentVariable[AW]|GetEnvironmentStrings[AW]?|ExpandEnvironmentStrings[AW]|"
    r"_?w?getenv(_s)?|_w?dupenv_s|__p__w?environ|_w?environ)$")
HOOK_NAME = b"PURGEWELL_TEST"


def imported_names(program):
    objdump = os.environ.get("OBJDUMP", "objdump")
    headers = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    # Import table rows: "\t63a88\t 1018  GetEnvironmentVariableA" (address, hint, name).
    return [m.group(1) for m in re.finditer(r"^\s+[0-9a-fA-F]+\s+[0-9]+\s+([A-Za-z_][A-Za-z0-9_]*)\s*$", headers, re.M)]


def main():
    status = 0
    for program in sys.argv[1:]:
        with open(program, "rb") as f:
            data = f.read()
        problems = [f"imports {name}, which reads the environment" for name in imported_names(program)
                    if ENVIRONMENT_CALLS.match(name)]
        for form, needle in (("ASCII", HOOK_NAME), ("UTF-16", HOOK_NAME.decode().encode("utf-16-le"))):
            if needle in data:
                problems.append(f"holds {HOOK_NAME.decode()} in {form}")
        for problem in problems:
            print(f"{program}: {problem}")
        if problems:
            status = 1
        else:
            print(f"{program}: reads no environment, names no test variable")
    return status


if __name__ == "__main__":
    sys.exit(main())
