#!/usr/bin/env python3
"""Writes the Mandarin readings of every CJK ideograph as a compact C++ table.

    gen_readings_table.py OUTPUT [UNICODE_DIR]

The readings come from the Unihan database of Debian's unicode-data package
(UNICODE_DIR, /usr/share/unicode by default): kMandarin, kHanyuPinyin,
kXHC1983 and kTGHZ2013 together, so that a character keeps every reading a
dictionary gives it (行: hang, heng, xing). Tones are dropped; ü is written
both "v", as pinyin keyboards type it, and "u". A character with no reading
of its own borrows those of the character it is a variant of (a
compatibility ideograph, or 𠮷 of 吉).

The table, in the order the program reads it:
  kSyllableText / kSyllableEnds  the distinct syllables, sorted, run together
  kSets / kSetItems              each distinct set of syllables a character has
  kSpans                         the stretches of code points the bits cover
  kPresent / kRankBefore         one bit per code point that has readings, and
                                 how many bits are set before each 64-bit word
  kSetOf                         for each set bit, in order, its set's number
"""
import bz2
import collections
import gzip
import io
import os
import re
import sys
import unicodedata
import zipfile

READING_FIELDS = ("kMandarin", "kHanyuPinyin", "kXHC1983", "kTGHZ2013")
# Whose readings a character without any borrows, most faithful first.
VARIANT_FIELDS = ("kCompatibilityVariant", "kZVariant", "kTraditionalVariant", "kSimplifiedVariant",
                  "kSemanticVariant", "kSpecializedSemanticVariant", "kSpoofingVariant")
# A new span starts where this many code points in a row have no reading.
SPAN_GAP = 4096


def open_unihan(folder, name):
    """One file of the Unihan database, as Debian or unicode.org ship it."""
    path = os.path.join(folder, name)
    for suffix, opener in (("", open), (".bz2", bz2.open), (".gz", gzip.open)):
        if os.path.exists(path + suffix):
            return opener(path + suffix, "rt", encoding="utf-8")
    archive = os.path.join(folder, "Unihan.zip")
    if os.path.exists(archive):
        with zipfile.ZipFile(archive) as z:
            return io.StringIO(z.read(name).decode("utf-8"))
    sys.exit(f"gen_readings_table: no {name} in {folder} (scripts/setup installs unicode-data)")


def records(folder, name, fields):
    with open_unihan(folder, name) as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            if field in fields:
                yield int(code[2:], 16), field, value


def toneless(reading):
    """"lǜ" -> ["lv", "lu"]; "xíng" -> ["xing"]."""
    spelled = unicodedata.normalize("NFD", reading.lower()).replace("u\u0308", "v")
    bare = "".join(c for c in spelled if not unicodedata.combining(c))
    if not re.fullmatch("[a-z]+", bare):
        sys.exit(f"gen_readings_table: cannot read the reading {reading!r}")
    return [bare, bare.replace("v", "u")] if "v" in bare else [bare]


def read_readings(folder):
    readings = collections.defaultdict(set)
    for code, field, value in records(folder, "Unihan_Readings.txt", READING_FIELDS):
        if field == "kMandarin":
            spoken = value.split()
        else:  # "page.position:reading,reading ..." or "reading,reading"
            spoken = [r for item in value.split() for r in item.split(":")[-1].split(",")]
        for r in spoken:
            readings[code].update(toneless(r))
    return readings


def borrow_from_variants(folder, readings):
    variants = collections.defaultdict(dict)
    for name in ("Unihan_Variants.txt", "Unihan_IRGSources.txt"):
        for code, field, value in records(folder, name, VARIANT_FIELDS):
            variants[code][field] = [int(v.split("<")[0][2:], 16) for v in value.split()]
    borrowed = {}
    for code, fields in variants.items():
        if code in readings:
            continue
        for field in VARIANT_FIELDS:
            lent = set().union(*(readings.get(v, set()) for v in fields.get(field, [])))
            if lent:
                borrowed[code] = lent
                break
    readings.update(borrowed)
    return len(borrowed)


def c_array(kind, name, values, per_line=16):
    lines = [", ".join(values[i:i + per_line]) for i in range(0, len(values), per_line)]
    return f"static const {kind} {name}[{len(values)}] = {{\n    " + ",\n    ".join(lines) + ",\n};\n"


def main():
    out = sys.argv[1]
    folder = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/unicode"
    readings = read_readings(folder)
    borrowed = borrow_from_variants(folder, readings)

    syllables = sorted({s for rs in readings.values() for s in rs})
    syllable_id = {s: i for i, s in enumerate(syllables)}
    sets, set_id = [], {}
    for code in sorted(readings):
        key = tuple(sorted(syllable_id[s] for s in readings[code]))
        if key not in set_id:
            set_id[key] = len(sets)
            sets.append(key)
        readings[code] = set_id[key]

    codes = sorted(readings)
    spans = [[codes[0], codes[0]]]
    for code in codes[1:]:
        if code - spans[-1][1] > SPAN_GAP:
            spans.append([code, code])
        else:
            spans[-1][1] = code
    present, rank_before, span_rows, set_of = [], [], [], []
    for first, last in spans:
        span_rows.append(f"{{0x{first:X}, 0x{last:X}, {len(present)}}}")
        for word_start in range(first, last + 1, 64):
            word = 0
            rank_before.append(len(set_of))
            for bit in range(64):
                code = word_start + bit
                if code <= last and code in readings:
                    word |= 1 << bit
                    set_of.append(readings[code])
            present.append(word)

    ends, at = [], 0
    for s in syllables:
        at += len(s)
        ends.append(at)
    set_starts, set_items = [0], []
    for key in sets:
        set_items.extend(key)
        set_starts.append(len(set_items))
    for name, values in (("rank", rank_before), ("set starts", set_starts), ("sets", set_of), ("syllables", ends)):
        if max(values) > 0xFFFF:
            sys.exit(f"gen_readings_table: the {name} no longer fit in 16 bits")

    size = (len("".join(syllables)) + 2 * len(ends) + 2 * len(set_starts) + 2 * len(set_items) + 12 * len(spans) +
            8 * len(present) + 2 * len(rank_before) + 2 * len(set_of))
    with open(out, "w", encoding="ascii") as f:
        f.write("// Generated by scripts/gen_readings_table.py from the Unihan database; do not edit.\n")
        f.write(f"// {len(codes)} characters ({borrowed} with a variant's readings), {len(syllables)} syllables,\n")
        f.write(f"// {len(sets)} sets of readings; {size} bytes of tables.\n")
        f.write(f'static const char kSyllableText[] = "{"".join(syllables)}";\n')
        f.write(c_array("uint16_t", "kSyllableEnds", [str(e) for e in ends]))
        f.write(c_array("uint16_t", "kSetStarts", [str(s) for s in set_starts]))
        f.write(c_array("uint16_t", "kSetItems", [str(s) for s in set_items]))
        f.write(c_array("Span", "kSpans", span_rows, 1))
        f.write(c_array("uint64_t", "kPresent", [f"0x{w:X}u" for w in present], 6))
        f.write(c_array("uint16_t", "kRankBefore", [str(r) for r in rank_before]))
        f.write(c_array("uint16_t", "kSetOf", [str(s) for s in set_of]))
    print(f"readings table: {len(codes)} characters, {len(syllables)} syllables, {len(sets)} sets, {size} bytes")


if __name__ == "__main__":
    main()
