#!/usr/bin/env python3
"""Checks of PurgewellConsole's output for the end-to-end tests.

console_output_check.py redirected OUTPUT EXPECTED WIDTH
    OUTPUT is what the program wrote to a redirected standard output. Every line (ended by CRLF) is split at
    its carriage returns: the last piece is what stays on screen and must equal the line of EXPECTED (byte for
    byte, trailing spaces included; <WHEN> stands for "HH:MM:SS on D Month YYYY"); every earlier piece must be
    a progress line "Scanning: " padded to exactly WIDTH - 1 characters of text, or a blank of the same length.
console_output_check.py compacted LINE DIRECTORY WIDTH
    LINE is a progress line read off the screen; its text must be the path of a file fNNNN.txt in DIRECTORY
    (a Windows path), too long to show whole, compacted to WIDTH characters terminator included (so exactly
    WIDTH - 1 are shown): its start, an ellipsis, its end.
console_output_check.py throttle OUTPUT PATTERN
    Copies standard input (the program's output through a pipe) to OUTPUT. Once PATTERN has passed it touches
    OUTPUT.slow and reads only a little at a time, so the program, blocked on its full pipe, crawls on until the
    next "--- Removal process" line; then it copies at full speed again, and touches OUTPUT.done at the end.
    This holds a scan at a known place, whatever the machine's speed, while a test presses Ctrl+C.
"""
import re
import sys

WHEN = re.compile(rb"[0-9]{2}:[0-9]{2}:[0-9]{2} on [0-9]{1,2} [A-Z][a-z]+ [0-9]{4}")


def check_redirected(output_path, expected_path, width):
    raw = open(output_path, "rb").read()
    expected = open(expected_path, "rb").read().decode().split("\n")
    if expected and expected[-1] == "":
        expected.pop()
    progress_length = len("Scanning: ") + width - 1
    lines = raw.split(b"\r\n")
    if lines[-1] != b"":
        return f"output does not end with a complete line: {lines[-1]!r}"
    lines.pop()
    shown = []
    for number, line in enumerate(lines, 1):
        pieces = line.split(b"\r")
        for piece in pieces[:-1]:
            if len(piece) != progress_length:
                return f"line {number}: overwritten piece of length {len(piece)}, not {progress_length}: {piece!r}"
            if not (piece.startswith(b"Scanning: ") or piece == b" " * progress_length):
                return f"line {number}: overwritten piece is neither a progress line nor a blank: {piece!r}"
        shown.append(WHEN.sub(b"<WHEN>", pieces[-1]).decode("latin-1"))
    if shown != expected:
        report = ["lines shown differ from the expected ones (repr, so trailing spaces show):"]
        for index in range(max(len(shown), len(expected))):
            got = shown[index] if index < len(shown) else None
            want = expected[index] if index < len(expected) else None
            mark = "  " if got == want else "! "
            report.append(f"{mark}got  {got!r}")
            if got != want:
                report.append(f"{mark}want {want!r}")
        return "\n".join(report)
    return None


def check_compacted(line, directory, width):
    prefix = "Scanning: "
    if not line.startswith(prefix):
        return f"not a progress line: {line!r}"
    text = line[len(prefix):].rstrip(" ")
    # The shell's compaction fills the room it is given: a narrower or wider width shows in the length.
    if len(text) != width - 1:
        return f"compacted text has {len(text)} characters, not {width - 1}: {text!r}"
    if text.count("...") != 1:
        return f"compacted text has no single ellipsis: {text!r}"
    head, tail = text.split("...")
    name = tail.rsplit("\\", 1)[-1]
    if not re.fullmatch(r"f[0-9]+\.txt", name):
        return f"compacted text does not end with a file name of the folder: {text!r}"
    full = directory + "\\" + name
    if len(full) <= width - 1:
        return f"the path {full!r} is short enough to need no compaction"
    if not (full.startswith(head) and full.endswith(tail) and len(head) >= 3):
        return f"compacted text {text!r} is not the start and end of {full!r}"
    return None


def throttle(output_path, pattern):
    import os
    import signal
    import time
    # Ctrl+C in the pane reaches the whole pipeline; it is meant for the program only.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    pattern = pattern.encode()
    closing = b"--- Removal process"
    seen = b""
    slow = False
    with open(output_path, "wb") as out:
        while True:
            chunk = os.read(0, 256 if slow else 65536)
            if not chunk:
                break
            out.write(chunk)
            out.flush()
            seen = (seen + chunk)[-4096:]
            if not slow and pattern in seen and closing not in seen.split(pattern)[-1]:
                slow = True
                seen = b""
                open(output_path + ".slow", "wb").close()
            elif slow and closing in seen:
                slow = False
            if slow:
                time.sleep(0.02)
    open(output_path + ".done", "wb").close()
    return None


def main():
    if sys.argv[1] == "throttle":
        return 1 if throttle(sys.argv[2], sys.argv[3]) else 0
    if sys.argv[1] == "redirected":
        problem = check_redirected(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    elif sys.argv[1] == "compacted":
        problem = check_compacted(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    else:
        problem = f"unknown check {sys.argv[1]}"
    if problem:
        print(problem, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
