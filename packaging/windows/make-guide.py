#!/usr/bin/env python3
"""make-guide.py WINDOWS_GUIDE MAIN_GUIDE OUT.txt: the teacher's guide for Windows as Notepad reads it.

The Windows guide takes the chapters that hold on every system from the main guide, by a line
"<!-- include: HEADING -->" (the chapter runs to the next heading of its level or above), so
that the two never drift apart. The result is plain text: no pictures, code indented instead of
fenced, no Markdown emphasis marks; UTF-8 with a byte-order mark and CR LF line ends.
"""
import re
import sys

INCLUDE = re.compile(r"^<!-- include: (.+) -->$")


def level(line):
    match = re.match(r"^(#+) ", line)
    return len(match.group(1)) if match else 0


def chapter(lines, heading):
    if heading not in lines:
        sys.exit(f"make-guide.py: the main guide has no chapter «{heading}»")
    start = lines.index(heading)
    end = next((i for i in range(start + 1, len(lines)) if 0 < level(lines[i]) <= level(heading)), len(lines))
    return lines[start:end]


def plain(lines):
    out, fenced = [], False
    for line in lines:
        if line.startswith("```"):
            fenced = not fenced
            continue
        if fenced:
            out.append("    " + line)
        elif not line.startswith("![") and not line.startswith("<!--"):
            out.append(line.replace("**", "").replace("`", ""))
    return out


def main():
    windows, main_guide, target = sys.argv[1:4]
    shared = open(main_guide, encoding="utf-8").read().splitlines()
    lines = []
    for line in open(windows, encoding="utf-8").read().splitlines():
        match = INCLUDE.match(line)
        lines += chapter(shared, match.group(1)) if match else [line]
    text = "\r\n".join(plain(lines)).rstrip() + "\r\n"
    text = re.sub(r"(\r\n){3,}", "\r\n\r\n", text)
    with open(target, "w", encoding="utf-8-sig", newline="") as out:
        out.write(text)


if __name__ == "__main__":
    main()
