#!/usr/bin/env python3
"""Fails on an #include "..." that reaches up the layers or across rooms.

    tools/checkLayers.py [--map] [ROOT]

Reads every C++ source under ROOT (the project: its git files where ROOT is
a git work tree, else every *.cpp and *.h below it) and prints one line per
include that its file's room may not make: file, line, both rooms and what
the room may include. Exit status 0 when there is none, 1 otherwise, 2 when
ROOT cannot be read. With --map it also prints the layers top down, each
room with the rooms its files include and how many includes go there: the
picture in docs/architecture.md.
"""
import os
import re
import subprocess
import sys

# The library, lowest first: each room may include itself and those before it.
LIBRARY = ["support", "check", "spatial", "geometry", "steiner", "options",
           "router", "treecore"]
# The front ends include any library room, and of each other only these.
FRONT_ENDS = {"drivers": [], "tools": ["drivers"], "python": ["drivers"]}
# Built on top of everything, each free to include from all rooms.
ON_TOP = ["fuzz", "bench", "tests"]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def allowed(room):
    if room in LIBRARY:
        return LIBRARY[:LIBRARY.index(room) + 1]
    if room in FRONT_ENDS:
        return LIBRARY + [room] + FRONT_ENDS[room]
    return LIBRARY + list(FRONT_ENDS) + ON_TOP


def roomOf(path):
    top = path.split("/", 1)[0]
    if top in LIBRARY or top in FRONT_ENDS or top in ON_TOP:
        return top
    return None


def listSources(root):
    try:
        top = subprocess.run(["git", "-C", root, "rev-parse", "--show-toplevel"],
                             capture_output=True, text=True, check=True).stdout.strip()
        if os.path.samefile(top, root):
            out = subprocess.run(
                ["git", "-C", root, "ls-files", "--cached", "--others",
                 "--exclude-standard", "--", "*.cpp", "*.h"],
                capture_output=True, text=True, check=True).stdout
            return sorted(set(p for p in out.splitlines()
                              if os.path.exists(os.path.join(root, p))))
    except (OSError, subprocess.CalledProcessError):
        pass
    found = []
    for dirpath, dirnames, filenames in os.walk(root):
        # Build directories are no sources.
        dirnames[:] = sorted(
            d for d in dirnames if not d.startswith(".") and not
            os.path.exists(os.path.join(dirpath, d, "CMakeCache.txt")))
        for name in filenames:
            if name.endswith((".cpp", ".h")):
                found.append(os.path.relpath(os.path.join(dirpath, name), root))
    return sorted(p.replace(os.sep, "/") for p in found)


def printMap(uses):
    rows = [("on top", ON_TOP), ("front ends", list(FRONT_ENDS)),
            ("library", list(reversed(LIBRARY)))]
    for label, rooms in rows:
        print(f"{label:>10} +{'-' * 66}")
        for room in rooms:
            below = sorted(uses.get(room, {}).items(),
                           key=lambda kv: (-kv[1], kv[0]))
            text = ", ".join(f"{r} {n}" for r, n in below if r != room)
            print(f"{'':>10} | {room:<9}-> {text or '(nothing)'}")
    print(f"{'':>10} +{'-' * 66}")


def main(argv):
    args = argv[1:]
    showMap = "--map" in args
    args = [a for a in args if a != "--map"]
    root = args[0] if args else os.path.join(os.path.dirname(__file__), "..")
    if not os.path.isdir(root):
        print(f"checkLayers: no directory {root}", file=sys.stderr)
        return 2
    faults = 0
    uses = {}  # room -> {included room: includes}
    sources = listSources(root)
    for path in sources:
        room = roomOf(path)
        if room is None:
            print(f"{path}: in no room of the layers (a folder checkLayers.py "
                  f"does not know)")
            faults += 1
            continue
        may = allowed(room)
        try:
            with open(os.path.join(root, path), encoding="utf-8",
                      errors="replace") as f:
                lines = f.readlines()
        except OSError as e:
            print(f"checkLayers: {path}: {e.strerror}", file=sys.stderr)
            return 2
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            name = m.group(1)
            target = roomOf(name)
            if target is None:
                # Beside the including file, as the compiler looks first.
                near = os.path.normpath(
                    os.path.join(os.path.dirname(path), name)).replace(os.sep, "/")
                if os.path.exists(os.path.join(root, near)):
                    target = roomOf(near)
            if target is None:
                print(f"{path}:{number}: includes \"{name}\", found neither "
                      f"in a room of the layers nor beside the file")
                faults += 1
            else:
                counts = uses.setdefault(room, {})
                counts[target] = counts.get(target, 0) + 1
            if target is not None and target not in may:
                print(f"{path}:{number}: {room} includes {target} "
                      f"(\"{name}\"); {room} may include only "
                      f"{', '.join(may)}")
                faults += 1
    if showMap:
        printMap(uses)
    if faults:
        print(f"checkLayers: {faults} include{'s' if faults > 1 else ''} "
              f"against the layers in {len(sources)} files", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
