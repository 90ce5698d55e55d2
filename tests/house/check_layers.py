#!/usr/bin/env python3
"""Every include of ours goes down the house that docs/architecture.md draws.

The map's "Layers" block lists the folders of src/ from the top down; a source
may include its own folder and the folders listed below it, and the two
crossings the map names. A new folder missing from the map, or an include that
climbs, is named with its file and line, and the check fails.
usage: check_layers.py ROOT
"""
import pathlib, re, sys

# The crossings the map allows by name (its paragraph "Who may include whom").
ALLOWED = {("tray/win32", "ui/win32/Win32Host.h")}


def layers(root):
    text = (root / "docs/architecture.md").read_text(encoding="utf-8")
    block = text.split("## Layers", 1)[1].split("```")[1]
    return [m.group(1) for m in re.finditer(r"^([a-z0-9_]+)/ ", block, re.M)]


def main(root):
    order = layers(root)
    rank = {name: i for i, name in enumerate(order)}
    faults = []
    for path in sorted((root / "src").rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(root / "src").as_posix()
        top = rel.split("/")[0]
        if top not in rank:
            faults.append(f"src/{rel}: its folder {top}/ is not on the map")
            continue
        for n, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = re.match(r'\s*#\s*include\s+"(([a-z0-9_]+)/[^"]+)"', line)
            if not m or m.group(2) not in rank and m.group(2) != top:
                continue
            target, layer = m.group(1), m.group(2)
            if layer not in rank:
                faults.append(f"src/{rel}:{n}: includes {target} from a folder not on the map")
            elif rank[layer] < rank[top] and not any(rel.startswith(a) and target == b for a, b in ALLOWED):
                faults.append(f"src/{rel}:{n}: {top}/ includes {target}, which the map puts above it")
    for f in faults:
        print(f)
    print(f"{len(order)} layers, {len(faults)} includes that climb")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")))
