#!/usr/bin/env python3
"""The structure check finds what it is there to find: each fault is planted
in a copy of the tree, and the check must fail on it and name it."""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CHECK = os.path.join(HERE, "check_layers.py")
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, HERE)
from check_layers import FOLDERS  # noqa: E402  (the folders the check reads are the ones copied)

# (file, text appended to it, words the check must print)
PLANTS = [
    ("settings/settings.cpp", '#include "app/main_window.h"\n', "settings/ takes from app/ only"),
    ("base/wide_text.h", '#include "app/log.h"\n', "base/ is the ground floor"),
    ("bass/mixer.cpp", '#include "app/log.h"\n', "bass/ is a library"),
    ("hook/hakdor_win.cpp", '#include "settings/settings.h"\n', "hook/ is a library"),
    ("audio/press_rules.cpp", '#include "ui/tray.h"\n', "audio/ stands below the windows"),
    ("packs/pack_scheme.cpp", '#include "app/main_window.h"\n', "packs/ takes from app/ only"),
    ("bass/devices_win.cpp", "void Leak(wchar_t* id) { CoTaskMemFree(id); }\n", "CoTaskMemFree outside the owners"),
    ("bass/output_win.cpp", "void Apartment() { CoUninitialize(); }\n", "CoUninitialize outside the owners"),
    ("ui/tray_win.cpp", "void Done(HMODULE m) { FreeLibrary(m); }\n", "FreeLibrary outside the owners"),
    ("ui/keyboard_view_win.cpp", "void Painted(HWND w, PAINTSTRUCT* p) { EndPaint(w, p); }\n", "EndPaint outside the owners"),
    ("ui/tray_win.cpp", "LRESULT WINAPI StrayProc(HWND, UINT, WPARAM, LPARAM) { return 0; }\n",
     "'WINAPI StrayProc' is not made by the guards"),
    ("ui/menus_win.cpp", "INT_PTR CALLBACK StrayDialog(HWND, UINT, WPARAM, LPARAM) { return 0; }\n",
     "'CALLBACK StrayDialog' is not made by the guards"),
    ("hook/hakdor_win.cpp", "LRESULT CALLBACK ThrowingProc(int, WPARAM, LPARAM) { return 0; }\n",
     "a library's procedure that is not noexcept"),
]


def run(tree):
    result = subprocess.run([sys.executable, CHECK, tree], capture_output=True, text=True)
    return result.returncode, result.stdout


def main():
    failures = []
    with tempfile.TemporaryDirectory() as temp:
        for folder in FOLDERS:
            shutil.copytree(os.path.join(ROOT, folder), os.path.join(temp, folder))
        code, out = run(temp)
        if code != 0:
            failures.append("the tree as it is fails:\n" + out)
        for path, text, words in PLANTS:
            target = os.path.join(temp, path)
            with open(target, encoding="utf-8") as f:
                original = f.read()
            with open(target, "a", encoding="utf-8") as f:
                f.write("\n" + text)
            code, out = run(temp)
            if code != 1 or words not in out:
                failures.append(f"planted in {path}: {text.strip()!r}: exit {code}, expected a line with {words!r}:\n{out}")
            with open(target, "w", encoding="utf-8") as f:
                f.write(original)
        # A cycle: two headers that include each other.
        a, b = os.path.join(temp, "input/dispatch.h"), os.path.join(temp, "input/hotkeys.h")
        for own, other in ((a, "input/hotkeys.h"), (b, "input/dispatch.h")):
            with open(own, "a", encoding="utf-8") as f:
                f.write(f'\n#include "{other}"\n')
        code, out = run(temp)
        if code != 1 or "include cycle" not in out:
            failures.append(f"a planted include cycle: exit {code}:\n{out}")
    for failure in failures:
        print("FAILED:", failure)
    checks = len(PLANTS) + 2  # the tree as it is, and the cycle
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
