#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

The layers of src/, from the bottom: text, platform, document, tables, session,
import, export. A layer includes only its own headers and those of the layers
below it; import and export stand side by side and do not include each other.
The front ends (src/app/cli, qt, win32) may include every layer but not one
another. The link catches most faults of this kind; this catches the rest
(a header used only for its inline functions or its constants).
"""
import pathlib
import re
import sys

LAYERS = ["text", "platform", "document", "tables", "session", "import", "export"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z0-9_]+)/([^"]*)"', re.M)


def allowed(folder, included_top, included_rest):
    if folder in LAYERS:
        if included_top not in LAYERS:
            return False
        if {folder, included_top} == {"import", "export"}:
            return False
        return LAYERS.index(included_top) <= LAYERS.index(folder)
    if folder.startswith("app/"):
        if included_top == "app":
            return included_rest.startswith(folder.split("/")[1] + "/")
        return included_top in LAYERS
    return True


def main(source_root):
    src = pathlib.Path(source_root) / "src"
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        parts = path.relative_to(src).parts
        folder = "/".join(parts[:2]) if parts[0] == "app" else parts[0]
        for top, rest in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if not allowed(folder, top, rest):
                faults.append(f"{path.relative_to(src)}: includes {top}/{rest}")
    if (src / "app").exists():
        strays = [p.name for p in (src / "app").iterdir() if p.is_file()]
        faults += [f"app/{name}: src/app holds only the front ends' folders" for name in strays]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
