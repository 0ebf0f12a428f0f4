#!/usr/bin/env python3
"""Fails when an #include in src/ points upward: at a higher layer, or at another module's page.

Layers, lowest first: engine, common, platform, ui, the page modules, shell, app.
A module may use another module's widget-free logic, never its page or widgets.
"""
import pathlib
import re
import sys

RANK = {"engine": 0, "common": 1, "platform": 2, "ui": 3, "shell": 5, "app": 6}
MODULES = {"fileproc", "calc", "dvd", "ifoedit", "analyzer", "monitor", "moviesplit"}
# Widget headers of a module besides its *page*.h files.
WIDGETS = {"dvd/sizerow.h", "fileproc/rangefigure.h", "monitor/cpugraph.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([^"]+)"', re.M)


def rank(folder):
    return 4 if folder in MODULES else RANK.get(folder)


def main():
    src = pathlib.Path(__file__).resolve().parent.parent / "src"
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        own = path.relative_to(src).parts[0]
        for folder, name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            target = rank(folder)
            if target is None:
                continue
            where = f"{path.relative_to(src.parent)} includes {folder}/{name}"
            if target > rank(own):
                faults.append(f"{where}: a higher layer")
            elif own in MODULES and folder in MODULES and folder != own and (
                    "page" in name or f"{folder}/{name}" in WIDGETS):
                faults.append(f"{where}: another module's page")
    for fault in faults:
        print(fault)
    print(f"check-layers: {len(faults)} upward include(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
