#!/usr/bin/env python3
"""Checks the program's structure: the rules that keep it easy to change.

- No include cycle between units (a unit is a header with its sources:
  ui/tray.h, ui/tray_win.cpp).
- Floors: base/ includes only base/; the two libraries (bass/, hook/) include
  only base/ and themselves; settings/, audio/, input/ and packs/ take from app/ only
  the log writer and the commands, and nothing of ui/.
- Windows calls only guarded procedures: a procedure with a Windows calling
  convention is made by the guards of app/exception_boundary.h, or is an
  export of a library (its .def file) or a program's entry point, or, inside
  the libraries, which have no guard of their own, is noexcept.
- Handles and what COM hands out are released only by their owners in
  base/scoped_win.h and base/com_ptr_win.h.

Prints every violation and exits 1 when there is any."""

import os
import re
import sys

FOLDERS = ["app", "audio", "base", "bass", "hook", "input", "packs", "settings", "ui"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
RELEASE_CALLS = [
    # Kernel, registry, windows and GDI
    "CloseHandle", "RegCloseKey", "DestroyMenu", "DestroyIcon", "DestroyCursor", "DeleteObject", "DeleteDC",
    "ReleaseDC", "EndPaint", "GlobalDeleteAtom", "ImageList_Destroy", "DestroyAcceleratorTable", "UnhookWindowsHookEx",
    "UnhookWinEvent", "UnregisterWaitEx", "UnregisterWait", "FreeLibrary", "FindClose", "LocalFree", "GlobalFree",
    "DragFinish",
    # COM and the audio thread
    "CoTaskMemFree", "PropVariantClear", "CoUninitialize", "SysFreeString", "AvRevertMmThreadCharacteristics",
]
RELEASE = re.compile(r"\b(" + "|".join(RELEASE_CALLS) + r")\s*\(")
OWNERS = ("base/scoped_win.h", "base/com_ptr_win.h")
# A procedure defined or declared with a calling convention that Windows calls.
CONVENTION = re.compile(r"\b(CALLBACK|WINAPI|WINAPIV|APIENTRY|PASCAL|__stdcall|STDMETHODCALLTYPE|NTAPI)\s+(\w+)\s*\(")
ENTRY_POINTS = {"WinMain", "wWinMain", "DllMain"}
GUARDS = "app/exception_boundary.h"
LIBRARIES = ("bass/", "hook/")
FROM_APP_BELOW = {"app/log.h", "app/commands.h"}


def unit_of(path):
    base, _ = os.path.splitext(path)
    return base[:-4] if base.endswith("_win") else base


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def exports(root):
    names = set()
    for folder in ("bass", "hook"):
        for name in os.listdir(os.path.join(root, folder)):
            if name.endswith(".def"):
                with open(os.path.join(root, folder, name), encoding="utf-8") as f:
                    names.update(re.findall(r"^\s+(\w+)\s*$", f.read(), re.M))
    return names


def include_problem(path, included):
    """Why `path` may not include `included`, or None."""
    folder = path.split("/")[0]
    target = included.split("/")[0]
    if folder == "base" and target != "base":
        return "base/ is the ground floor: it includes only base/"
    if folder in ("bass", "hook") and target not in ("base", folder):
        return f"{folder}/ is a library: it includes only base/ and {folder}/"
    if folder in ("settings", "audio", "input", "packs"):
        if target == "ui":
            return f"{folder}/ stands below the windows"
        if target == "app" and included not in FROM_APP_BELOW:
            return f"{folder}/ takes from app/ only " + " and ".join(sorted(FROM_APP_BELOW))
    return None


def procedure_head(code, start):
    """A procedure's head, from `start` up to its body or the end of its declaration."""
    end = len(code)
    for stop in ("{", ";"):
        found = code.find(stop, start)
        if found != -1:
            end = min(end, found)
    return code[start:end]


def main(root):
    sources = {}
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if name.endswith((".h", ".cpp")):
                path = f"{folder}/{name}"
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    sources[path] = f.read()
    exported = exports(root)

    problems = []
    graph = {}
    for path, text in sources.items():
        unit = unit_of(path)
        code = strip_comments(text)
        for included in INCLUDE.findall(code):
            if included not in sources:
                continue
            target = unit_of(included)
            if target != unit:
                graph.setdefault(unit, set()).add(target)
            why = include_problem(path, included)
            if why:
                problems.append(f"{path} includes {included}: {why}")
        if path not in OWNERS:
            for match in RELEASE.finditer(code):
                problems.append(f"{path}: {match.group(1)} outside the owners of " + " and ".join(OWNERS))
        if path != GUARDS:
            for match in CONVENTION.finditer(code):
                name = match.group(2)
                if name in ENTRY_POINTS or name in exported:
                    continue
                if path.startswith(LIBRARIES) and "noexcept" in procedure_head(code, match.start()):
                    continue
                where = ("a library's procedure that is not noexcept" if path.startswith(LIBRARIES)
                         else f"not made by the guards of {GUARDS}")
                problems.append(f"{path}: '{match.group(1)} {name}' is {where}")

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
