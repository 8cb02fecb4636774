#!/usr/bin/env python3
"""Builds the text help files (*.HLP) of the demo installation from their sources.

Each source NAME.txt (UTF-8) becomes NAME.HLP: one record of 80 bytes per line, in
code page 850, padded with blanks, with no line ends. Markup in the source:

    **text**   highlighted   (byte 0x1E before and after)
    __text__   underlined    (byte 0x1F before and after)
    @@text@@   reverse       (byte 0x10 before and after)

A line may show at most 76 characters (the markup does not count) and its record may
not exceed 80 bytes. Run it from anywhere: python3 demo/AJUDA/make-help.py
"""
import pathlib
import re
import sys

RECORD = 80
SHOWN = 76
MARKS = {"**": "\x1e", "__": "\x1f", "@@": "\x10"}


def record(line: str, where: str) -> bytes:
    text = re.sub(r"\*\*|__|@@", lambda m: MARKS[m.group(0)], line)
    shown = sum(1 for ch in text if ch not in "\x1e\x1f\x10")
    if shown > SHOWN:
        sys.exit(f"{where}: {shown} characters shown, at most {SHOWN}")
    for mark in "\x1e\x1f\x10":
        if text.count(mark) % 2:
            sys.exit(f"{where}: a mark is opened and never closed")
    try:
        data = text.encode("cp850")
    except UnicodeEncodeError as error:
        sys.exit(f"{where}: {error}")
    if len(data) > RECORD:
        sys.exit(f"{where}: {len(data)} bytes, at most {RECORD}")
    return data + b" " * (RECORD - len(data))


def main() -> None:
    here = pathlib.Path(__file__).resolve().parent
    for source in sorted(here.glob("*.txt")):
        lines = source.read_text(encoding="utf-8").rstrip("\n").split("\n")
        data = b"".join(record(line.rstrip(), f"{source.name}:{number}")
                        for number, line in enumerate(lines, 1))
        source.with_suffix(".HLP").write_bytes(data)
        print(f"{source.with_suffix('.HLP').name}: {len(lines)} lines")


if __name__ == "__main__":
    main()
