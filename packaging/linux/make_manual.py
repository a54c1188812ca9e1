#!/usr/bin/env python3
"""Writes the manual page zemynote.1.gz from the program's own --help text, so that the
manual and --help never disagree. The help text has a fixed shape (config/command_line.h):
a "Usage:" block, a description, then the sections "Parameters:", "Exit status:", "Files:"
and "Example:". In a section an entry's name is indented by two spaces (followed, after two
or more spaces, by the start of its description, or alone on its line), its description by
more; an unindented line is a note, and the two-space lines after it are literal text.

  make_manual.py --program <ZemYNote> --name zemynote --version 1.3.0 --date 2026-12-08
                 --summary "Import a YNote account into a Zem knowledge base" --output <file>
"""
import argparse
import gzip
import re
import subprocess

SECTIONS = {"Parameters:": "OPTIONS", "Exit status:": "EXIT STATUS", "Files:": "FILES",
            "Example:": "EXAMPLES"}


def roff(text):
    """Text made safe for a roff text line."""
    text = text.replace("\\", "\\e")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def literal(text):
    """A command or option as typed: its minus signs are minus signs, not hyphens."""
    return roff(text).replace("-", "\\-")


def parse(help_text):
    """(synopsis lines, description lines, [(section, items)]); an item is ("entry", name,
    description), ("note", text) or ("literal", text)."""
    lines = help_text.splitlines()
    synopsis, description, sections = [], [], []
    i = 0
    while lines[i].strip():
        synopsis.append(lines[i][len("Usage:"):].strip() if i == 0 else lines[i].strip())
        i += 1
    while lines[i] not in SECTIONS:
        description.append(lines[i])
        i += 1
    items, title, after_note = None, None, False
    for line in lines[i:]:
        if line in SECTIONS:
            title, items, after_note = SECTIONS[line], [], False
            sections.append((title, items))
        elif not line.strip():
            after_note = False
        elif title == "EXAMPLES" or after_note and line.startswith("  "):
            items.append(("literal", line.strip()))
        elif not line.startswith(" "):
            items.append(("note", line))
            after_note = True
        elif re.match(r"  \S", line):
            parts = re.split(r"\s{2,}", line.strip(), maxsplit=1)
            items.append(("entry", parts[0], parts[1:]))
        else:
            items[-1][2].append(line.strip())
    return synopsis, description, sections


def manual(help_text, name, version, date, summary):
    synopsis, description, sections = parse(help_text)
    command = lambda text: literal(text.replace("ZemYNote", name))
    out = [f'.TH {name.upper()} 1 "{date}" "ZemYNote {version}" "User Commands"',
           ".SH NAME", f"{name} \\- {roff(summary[0].lower() + summary[1:])}",
           ".SH SYNOPSIS", ".nf"]
    out += [command(line) for line in synopsis]
    out += [".fi", ".SH DESCRIPTION"]
    out += [roff(line) for line in description if line.strip()]
    for title, items in sections:
        out.append(f'.SH "{title}"' if " " in title else f".SH {title}")
        in_literal = False
        for item in items:
            if item[0] == "literal":
                if not in_literal:
                    out += [".PP", ".RS", ".nf"]
                    in_literal = True
                out.append(command(item[1]))
                continue
            if in_literal:
                out += [".fi", ".RE"]
                in_literal = False
            if item[0] == "note":
                out += [".PP", roff(item[1])]
            else:
                _, entry, text = item
                font = "I" if title == "FILES" else "B"
                out += [".TP", f".{font} {literal(entry)}" if title != "FILES" else
                        f'.{font} "{roff(entry)}"']
                out += [roff(line) for line in text]
        if in_literal:
            out += [".fi", ".RE"]
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser()
    for option in ("program", "name", "version", "date", "summary", "output"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    help_text = subprocess.run([args.program, "--help"], check=True, capture_output=True,
                               text=True, encoding="utf-8").stdout
    page = manual(help_text, args.name, args.version, args.date, args.summary)
    # No file name or time in the gzip header: the same sources give the same bytes.
    with open(args.output, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0, compresslevel=9) as f:
            f.write(page.encode("utf-8"))


if __name__ == "__main__":
    main()
