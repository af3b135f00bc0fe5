#!/usr/bin/env python3
"""Checks the program's structure: the rules that keep it easy to change.

- No include cycle between units (a unit is a header with its sources:
  ui/tray.h, ui/tray_win.cpp).
- input/ and audio/ use nothing of ui/ and nothing of the main window.
- Windows calls only guarded procedures: CALLBACK appears in the guard
  header and in the hook library's procedures, which cannot throw.
- Handles are released only by their owners in app/scoped_win.h.

Prints every violation and exits 1 when there is any."""

import os
import re
import sys

FOLDERS = ["app", "audio", "bass", "hook", "input", "settings", "ui"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
RELEASE = re.compile(r"\b(RegCloseKey|CloseHandle|DestroyMenu|DestroyIcon|DeleteObject|GlobalDeleteAtom|DeleteDC|"
                     r"ReleaseDC|ImageList_Destroy|DestroyAcceleratorTable|UnhookWindowsHookEx|UnhookWinEvent|UnregisterWaitEx)\s*\(")
CALLBACK = re.compile(r"\bCALLBACK\s+\w+")


def unit_of(path):
    base, _ = os.path.splitext(path)
    return base[:-4] if base.endswith("_win") else base


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def main(root):
    sources = {}
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if name.endswith((".h", ".cpp")):
                path = f"{folder}/{name}"
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    sources[path] = f.read()

    problems = []
    graph = {}
    for path, text in sources.items():
        unit = unit_of(path)
        for included in INCLUDE.findall(text):
            if included not in sources:
                continue
            target = unit_of(included)
            if target != unit:
                graph.setdefault(unit, set()).add(target)
            if path.startswith(("input/", "audio/")) and (included.startswith("ui/") or target == "app/main_window"):
                problems.append(f"{path} includes {included}: input/ and audio/ stand below the windows")
        code = strip_comments(text)
        if path != "app/scoped_win.h":
            for match in RELEASE.finditer(code):
                problems.append(f"{path}: {match.group(1)} outside the owners of app/scoped_win.h")
        if path not in ("app/exception_boundary.h", "hook/hakdor_win.cpp"):
            for match in CALLBACK.finditer(code):
                problems.append(f"{path}: '{match.group(0)}' is not made by the guards of app/exception_boundary.h")
        if path == "hook/hakdor_win.cpp":
            for line in code.splitlines():
                if CALLBACK.search(line) and "noexcept" not in line:
                    problems.append(f"{path}: a hook procedure that is not noexcept: {line.strip()}")

    # Cycles, by depth-first search over the units.
    state = {}
    stack = []

    def visit(unit):
        state[unit] = "open"
        stack.append(unit)
        for target in sorted(graph.get(unit, ())):
            if state.get(target) == "open":
                cycle = stack[stack.index(target):] + [target]
                problems.append("include cycle: " + " -> ".join(cycle))
            elif target not in state:
                visit(target)
        stack.pop()
        state[unit] = "done"

    for unit in sorted(graph):
        if unit not in state:
            visit(unit)

    for problem in problems:
        print(problem)
    print(f"{len(graph)} units, {sum(len(t) for t in graph.values())} dependencies, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
