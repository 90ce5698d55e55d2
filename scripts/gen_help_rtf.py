#!/usr/bin/env python3
"""Turns the user guide into the RTF help document the program opens.

    python3 scripts/gen_help_rtf.py docs/help/help.md OUT_FILE

The guide is written in a tiny Markdown subset:

    # Title            the document's title (large, bold, centred)
    ## Section         a section heading (bold)
    - item             a bullet, shown as an indented paragraph with "•"
    plain text         a paragraph; paragraphs are separated by blank lines
    **bold**           bold text inside any of the above

A line that is not a heading or a bullet continues the paragraph or bullet
above it. The output is pure ASCII: every other character is written as an
RTF Unicode escape, so the file reads the same whatever the reader's code
page. Standard library only.
"""
import sys

HEADER = (
    r"{\rtf1\ansi\ansicpg936\deff0\deflang1033\deflangfe2052\uc1"
    r"{\fonttbl{\f0\fnil\fcharset134 Microsoft YaHei{\*\falt SimSun};}"
    r"{\f1\fnil\fcharset134 SimSun;}}"
    "\r\n"
    r"\paperw11906\paperh16838\margl1440\margr1440\margt1440\margb1440"
    r"\viewkind4"
    "\r\n"
)

# Paragraph formats (twips; font sizes in half points).
STYLES = {
    "title": r"\pard\plain\qc\sa300\f0\fs36\b ",
    "section": r"\pard\plain\keepn\sb240\sa120\f0\fs26\b ",
    "para": r"\pard\plain\sa120\sl300\slmult1\f0\fs21 ",
    "bullet": r"\pard\plain\fi-240\li480\tx480\sa60\sl300\slmult1\f0\fs21 \u8226?\tab ",
}


class GuideError(Exception):
    pass


def escape(text):
    """Writes plain text as RTF: ASCII as is (with \\ { } escaped), the rest as \\uN?."""
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\t":
            out.append(r"\tab ")
        elif code < 0x20 or code == 0x7F:
            raise GuideError("control character U+%04X in text" % code)
        elif code < 0x80:
            out.append(ch)
        else:
            units = ch.encode("utf-16-le")
            for i in range(0, len(units), 2):
                unit = units[i] | (units[i + 1] << 8)
                if unit >= 0x8000:
                    unit -= 0x10000  # RTF takes a signed 16-bit number
                out.append("\\u%d?" % unit)
    return "".join(out)


def inline(text, lineno):
    """Escapes one block's text, turning **...** into bold groups."""
    parts = text.split("**")
    if len(parts) % 2 == 0:
        raise GuideError("line %d: unmatched **" % lineno)
    out = []
    for i, part in enumerate(parts):
        if i % 2:
            out.append(r"{\b " + escape(part) + "}")
        else:
            out.append(escape(part))
    return "".join(out)


def join_lines(a, b):
    """Joins a continuation line: a space between two ASCII words, else nothing."""
    if a and b and ord(a[-1]) < 0x80 and ord(b[0]) < 0x80 and not a[-1].isspace():
        return a + " " + b
    return a + b


def parse(source):
    """Returns the blocks of the guide as (kind, text, first line number)."""
    blocks = []
    current = None  # the open paragraph or bullet, as a list [kind, text, lineno]
    for lineno, raw in enumerate(source.splitlines(), 1):
        line = raw.strip()
        if not line:
            current = None
        elif line.startswith("## "):
            blocks.append(["section", line[3:].strip(), lineno])
            current = None
        elif line.startswith("# "):
            blocks.append(["title", line[2:].strip(), lineno])
            current = None
        elif line.startswith("- "):
            current = ["bullet", line[2:].strip(), lineno]
            blocks.append(current)
        elif current is not None:
            current[1] = join_lines(current[1], line)
        else:
            current = ["para", line, lineno]
            blocks.append(current)
    return blocks


def to_rtf(source):
    body = []
    for kind, text, lineno in parse(source):
        body.append(STYLES[kind] + inline(text, lineno) + r"\par" + "\r\n")
    return HEADER + "".join(body) + "}\r\n"


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: gen_help_rtf.py GUIDE.md OUT_FILE\n")
        return 2
    with open(argv[1], encoding="utf-8-sig") as f:
        source = f.read()
    try:
        rtf = to_rtf(source)
    except GuideError as e:
        sys.stderr.write("%s: %s\n" % (argv[1], e))
        return 1
    with open(argv[2], "w", encoding="ascii", newline="") as f:
        f.write(rtf)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
