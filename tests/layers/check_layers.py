#!/usr/bin/env python3
"""Fails when a source folder includes a folder above it, or the folders include each other in a
cycle. The layers, bottom first: core; platform; fontfile, fsys, office, controls; the commands
catalogue, ops, export, help; app. A folder may use its own layer's folders as long as no cycle
forms. The system's platform folder (platform/linux) is reached only through platform/."""
import re
import sys
from pathlib import Path

LAYERS = [["core"], ["platform"], ["fontfile", "fsys", "office", "controls"],
          ["catalogue", "ops", "export", "help"], ["app"]]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
SYSTEM_FOLDERS = {"platform/linux", "platform/win32"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(relative):
    """The folder a path below src/ belongs to: its first part, or platform/<system>."""
    parts = Path(relative).parts
    if len(parts) > 2 and "/".join(parts[:2]) in SYSTEM_FOLDERS:
        return "/".join(parts[:2])
    return parts[0] if len(parts) > 1 else ""


def rank_of(folder):
    return RANK["platform"] if folder in SYSTEM_FOLDERS else RANK.get(folder)


def main(src):
    src = Path(src)
    problems, edges = [], {}
    for path in sorted(p for p in src.rglob("*") if p.suffix in (".h", ".cpp")):
        here = folder_of(path.relative_to(src).as_posix())
        if rank_of(here) is None:
            problems.append(f"{path}: folder '{here}' is in no layer")
            continue
        for target in INCLUDE.findall(path.read_text(errors="replace")):
            there = folder_of(target)
            if there == here or not (src / target).exists():
                continue  # own folder, or a header of a library
            if rank_of(there) is None:
                problems.append(f"{path}: includes {target} from a folder in no layer")
            elif rank_of(there) > rank_of(here):
                problems.append(f"{path}: {here} includes {target}, from the layer above")
            elif there in SYSTEM_FOLDERS and here not in ("platform", there):
                problems.append(f"{path}: {here} includes {target}; only platform/ may")
            else:
                edges.setdefault(here, set()).add(there)

    # A cycle among folders of one layer: depth-first search for a back edge.
    state = {}

    def visit(folder, trail):
        state[folder] = "open"
        for there in sorted(edges.get(folder, ())):
            if state.get(there) == "open":
                problems.append("cycle: " + " -> ".join(trail[trail.index(there):] + [there]))
            elif there not in state:
                visit(there, trail + [there])
        state[folder] = "done"

    for folder in sorted(edges):
        if folder not in state:
            visit(folder, [folder])

    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
