#!/usr/bin/env python3
"""Prints which game folder includes which, and fails on an include that runs upward.

Each game folder is one library and sits on a floor; a folder may include its own headers
and those of folders on lower floors, never one on its own floor or above. The step's
folders read the players' commands only: a key table by code (the keyboard's, the
platform's holders, the binding table's conversion) named there fails too. Run from the
repository root: tools/layers.py
"""
import pathlib
import re
import sys

# Lowest floor first. Folders on one floor do not include each other.
FLOORS = [
    ["state"],
    ["world", "combat", "image"],
    ["flow"],
    ["bot", "record", "render", "session"],
    ["screens", "net"],
    ["platform"],
    ["game"],
]
FLOOR = {folder: n for n, names in enumerate(FLOORS) for folder in names}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')
# The folders a step runs in, and what in them would read keys rather than commands.
STEP_FOLDERS = ["flow", "world", "combat"]
RAW_KEYS = re.compile(r"\bkeys\s*\[|\bbool\s+keys\b|\bKeyHolders\b|\bkeyboard_to_game\b")


def edges(root):
    """Yields (folder, included folder, file, line) for every include between folders."""
    for folder in FLOOR:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            for number, text in enumerate(path.read_text().splitlines(), 1):
                match = INCLUDE.match(text)
                if match and match.group(1) != folder and match.group(1) in FLOOR:
                    yield folder, match.group(1), path, number


def raw_key_reads(root):
    """Yields (file, line, text) for every line of a step's folder that names a key table."""
    for folder in STEP_FOLDERS:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            for number, text in enumerate(path.read_text().splitlines(), 1):
                if RAW_KEYS.search(text.split("//")[0]):
                    yield path, number, text.strip()


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    graph, upward = {}, []
    for source, target, path, number in edges(root):
        graph.setdefault(source, set()).add(target)
        if FLOOR[target] >= FLOOR[source]:
            upward.append(f"{path}:{number}: {source} includes {target}")
    for n, names in reversed(list(enumerate(FLOORS))):
        for folder in names:
            if (root / folder).is_dir():
                below = ", ".join(sorted(graph.get(folder, ()), key=lambda f: (-FLOOR[f], f)))
                print(f"{n} {folder:9} -> {below or '(nothing)'}")
    for line in upward:
        print("upward: " + line, file=sys.stderr)
    raw = list(raw_key_reads(root))
    for path, number, text in raw:
        print(f"key table in a step: {path}:{number}: {text}", file=sys.stderr)
    return 1 if upward or raw else 0


if __name__ == "__main__":
    sys.exit(main())
