#!/usr/bin/env python3
"""The folder dependency picture, read from the #include lines of core, app, platform and ui.

  scripts/folder_deps.py [--dot]

Prints each folder with the folders it includes from (or a Graphviz graph with --dot) and exits
with 1 when an include points up a layer (core -> app -> platform/linux -> ui/qt) or when folders
of one layer include each other in a cycle.
"""
import collections
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BASES = ["core", "app", "platform/linux", "ui/qt"]  # include roots, lowest layer first
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')


def folder(path):
    parts = path.split("/")
    if parts[0] == "core":
        return "core/" + parts[1] if len(parts) > 2 else "core"
    return "app" if parts[0] == "app" else "/".join(parts[:2])


def layer(node):
    return next(i for i, base in enumerate(BASES) if node.startswith(base.split("/")[0]))


def edges():
    found = collections.defaultdict(set)
    for base in BASES:
        for where, _, names in os.walk(os.path.join(ROOT, base)):
            for name in names:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(where, name)
                source = folder(os.path.relpath(path, ROOT))
                with open(path, errors="replace") as text:
                    for line in text:
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        for candidate in [os.path.join(where, match.group(1))] + [
                                os.path.join(ROOT, b, match.group(1)) for b in BASES]:
                            if os.path.exists(candidate):
                                target = folder(os.path.relpath(os.path.normpath(candidate), ROOT))
                                if target != source:
                                    found[source].add(target)
                                break
    return found


def reaches(found, start, goal):
    seen, todo = set(), [start]
    while todo:
        for nxt in found.get(todo.pop(), ()):
            if nxt == goal:
                return True
            if nxt not in seen:
                seen.add(nxt)
                todo.append(nxt)
    return False


def main():
    found = edges()
    if "--dot" in sys.argv:
        print("digraph folders {\n  node [shape=box];")
        for source in sorted(found):
            for target in sorted(found[source]):
                print(f'  "{source}" -> "{target}";')
        print("}")
    else:
        for source in sorted(found):
            print(f"{source} -> {' '.join(sorted(found[source]))}")
    faults = [f"{s} -> {t} points up a layer" for s in found for t in found[s]
              if layer(t) > layer(s)]
    faults += [f"{s} -> {t} is part of a cycle" for s in found for t in found[s]
               if reaches(found, t, s)]
    for fault in sorted(faults):
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
