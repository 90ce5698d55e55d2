#!/usr/bin/env python3
"""Makes the portable zip: the program, the help document, the read-me and
the licences of the library linked into the program and of the data it
holds, side by side at the top of the archive, nothing else.

    make_portable_zip.py OUT.zip VERSION PROGRAM HELP README NAME=LICENCE...

Each licence file goes into the archive under its NAME.

The read-me is written as Windows' Notepad reads it everywhere (UTF-8 with a
byte-order mark, CRLF line ends), with @VERSION@ filled in. Chinese names are
stored as UTF-8 and flagged so (as Windows' own zip folders read them).
Entries carry their files' modification times and DOS attributes only, so
the same build zips to the same bytes.
"""
import os
import sys
import time
import zipfile

PROGRAM_NAME = "Quillmere.exe"
HELP_NAME = "帮助.doc"
README_NAME = "使用说明.txt"


def entry(name, source):
    info = zipfile.ZipInfo(name, time.localtime(os.path.getmtime(source))[:6])
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0  # MS-DOS: the attributes below are DOS ones
    info.external_attr = 0x20  # archive
    return info


def main():
    out, version, program, help_doc, readme = sys.argv[1:6]
    licences = [arg.split("=", 1) for arg in sys.argv[6:]]
    text = open(readme, encoding="utf-8").read().replace("@VERSION@", version)
    readme_bytes = "\ufeff".encode("utf-8") + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w") as z:
        with open(program, "rb") as f:
            z.writestr(entry(PROGRAM_NAME, program), f.read())
        with open(help_doc, "rb") as f:
            z.writestr(entry(HELP_NAME, help_doc), f.read())
        z.writestr(entry(README_NAME, readme), readme_bytes)
        for name, path in licences:
            with open(path, "rb") as f:
                z.writestr(entry(name, path), f.read())
    os.replace(partial, out)


if __name__ == "__main__":
    main()
