#!/usr/bin/env python3
"""Writes the licence of data the program holds, taken from the copyright
file of the Debian package the data came from, to be carried beside it.

    gen_licence.py OUT ABOUT COPYRIGHT [DATA_FILE]

ABOUT, a paragraph saying what the program took and how it changed it, comes
first, wrapped to lines Notepad shows whole. With DATA_FILE (the path the data was read from), COPYRIGHT is read as
a machine-readable Debian copyright file: the paragraph whose Files name the
data file follows, then the full text of its licence. Without it, the whole
of COPYRIGHT follows. The file is written as Windows' Notepad reads it
everywhere: UTF-8 with a byte-order mark, CRLF line ends. A data file that no
paragraph names, or a licence without its text, stops the build: a package
must not go out with a licence that is not the data's.
"""
import fnmatch
import sys
import textwrap


def paragraphs(text):
    """The paragraphs of a Debian copyright file, each a dict of field to
    its lines (the first line's value, then the continuation lines), and
    the paragraph's own lines."""
    found, fields, lines, name = [], {}, [], None
    for line in text.splitlines() + [""]:
        if not line.strip():
            if fields:
                found.append((fields, lines))
            fields, lines, name = {}, [], None
            continue
        lines.append(line)
        if line[0] in " \t" and name:
            fields[name].append(line)
        elif ":" in line:
            name, value = line.split(":", 1)
            fields[name] = [value.strip()]
    return found


def unfold(continuation):
    """The text of a field's continuation lines: the leading space dropped,
    a lone "." an empty line."""
    out = []
    for line in continuation:
        line = line[1:] if line[:1] in (" ", "\t") else line
        out.append("" if line.strip() == "." else line)
    return "\n".join(out)


def names(path, pattern):
    """Whether a Files pattern, relative to its package's source, names the
    file read at `path`."""
    parts = path.replace("\\", "/").split("/")
    return any(fnmatch.fnmatchcase("/".join(parts[i:]), pattern) for i in range(len(parts)))


def licence_for(copyright_text, data_file):
    found = paragraphs(copyright_text)
    # The last paragraph that names the file rules, as the format has it.
    chosen = None
    for fields, lines in found:
        if "Files" in fields and any(names(data_file, p) for p in " ".join(fields["Files"]).split()):
            chosen = (fields, lines)
    if chosen is None:
        sys.exit(f"gen_licence: no paragraph of the copyright file names {data_file}")
    fields, lines = chosen
    licence = fields.get("License", [""])
    text = unfold(licence[1:])
    if not text:
        for other, _ in found:
            if "Files" not in other and other.get("License", [""])[0] == licence[0]:
                text = unfold(other["License"][1:])
    if not text.strip():
        sys.exit(f"gen_licence: the copyright file has no text for the licence {licence[0]!r}")
    return "\n".join(lines) + "\n\n" + text + "\n"


def main():
    out, about, copyright_file = sys.argv[1:4]
    data_file = sys.argv[4] if len(sys.argv) > 4 else None
    copyright_text = open(copyright_file, encoding="utf-8").read()
    body = licence_for(copyright_text, data_file) if data_file else copyright_text
    text = textwrap.fill(" ".join(about.split()), 76) + "\n\n" + body
    with open(out, "wb") as f:
        f.write("\ufeff".encode("utf-8") + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8"))


if __name__ == "__main__":
    main()
