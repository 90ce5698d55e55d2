#!/usr/bin/env python3
"""The portable zip holds exactly the program and the help document as built,
the Chinese read-me and the licences of libsodium and of the data the program
holds, at its top, under names Windows reads as Chinese.

    check_portable_zip.py ZIP PROGRAM HELP VERSION NAME=LICENCE...
"""
import sys
import zipfile

UTF8_NAMES = 0x800  # general-purpose flag: the entry's name is UTF-8
# What each licence must say: whose data it covers and the licence's own words.
LICENCE_WORDS = {
    "EFF-wordlist-LICENSE.txt": ("wordlist_en_eff.txt", "Electronic Frontier Foundation", "Attribution 3.0 Unported",
                                 "has been changed"),
    "Unicode-LICENSE.txt": ("Unihan", "UNICODE, INC. LICENSE AGREEMENT", "Permission is hereby granted",
                            "have been modified"),
}


def main():
    path, program, help_doc, version = sys.argv[1:5]
    licences = dict(arg.split("=", 1) for arg in sys.argv[5:])
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    with zipfile.ZipFile(path) as z:
        check(z.testzip() is None, "an entry is damaged")
        entries = {info.filename: info for info in z.infolist()}
        check(sorted(entries) == sorted(["Quillmere.exe", "帮助.doc", "使用说明.txt", *licences]),
              f"the entries are {sorted(entries)}")
        check(set(LICENCE_WORDS) <= set(licences), f"the licences given are {sorted(licences)}")
        for name, source in (("Quillmere.exe", program), ("帮助.doc", help_doc), *licences.items()):
            if name in entries:
                check(z.read(name) == open(source, "rb").read(), f"{name} is not the one built")
        for name in ("帮助.doc", "使用说明.txt"):
            if name in entries:
                check(entries[name].flag_bits & UTF8_NAMES, f"{name} is not flagged as a UTF-8 name")
        if "使用说明.txt" in entries:
            raw = z.read("使用说明.txt")
            check(raw.startswith(b"\xef\xbb\xbf"), "the read-me has no byte-order mark for Notepad")
            text = raw.decode("utf-8-sig")
            check("\n" not in text.replace("\r\n", ""), "the read-me has lines not ended by CRLF")
            check(f"Quillmere {version}" in text, "the read-me does not name the version")
            for words in ("SystemData.dat", "必须可以写入"):
                check(words in text, f"the read-me does not say {words}")
        for name, words in LICENCE_WORDS.items():
            if name in entries:
                raw = z.read(name)
                check(raw.startswith(b"\xef\xbb\xbf"), f"{name} has no byte-order mark for Notepad")
                text = raw.decode("utf-8-sig")
                check("\n" not in text.replace("\r\n", ""), f"{name} has lines not ended by CRLF")
                flowing = " ".join(text.split())  # the paragraphs are wrapped
                for w in words:
                    check(w in flowing, f"{name} does not say {w}")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
