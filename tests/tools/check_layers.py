#!/usr/bin/env python3
"""Checks that includes under src/ follow the program's layers.

    check_layers.py SRC_DIR [QT_INCLUDE_DIR ...]

Arrows run one way: app -> gui -> core. Inside core, tasks -> engine ->
platform, and sites and settings -> platform (tasks may read the sites and
the settings). Inside gui, window -> panes -> dialogs: the panes and the
dialogs never reach up into the window. The core must also build without Qt Widgets or Qt Gui: any include
of a header found in a QtWidgets or QtGui folder among the given Qt include
folders, or of a <QtWidgets/...> or <QtGui/...> path, is refused there.

A class's member functions are defined in the folder of the header that
declares the class: a class spread over two folders would be one class
reaching across an arrow.

Prints one line per wrong include or misplaced definition and exits 1 when
there is any.
"""

import os
import re
import sys

# Which of the program's own folders each folder may include from. A folder
# may always include from itself.
ALLOWED = {
    "core/platform": set(),
    "core/engine": {"core/platform"},
    "core/sites": {"core/platform"},
    "core/settings": {"core/platform"},
    "core/tasks": {"core/engine", "core/platform", "core/sites", "core/settings"},
    "gui/panes": {"core/*", "gui/dialogs"},
    "gui/dialogs": {"core/*"},
    "gui/window": {"core/*", "gui/panes", "gui/dialogs"},
    "app": {"core/*", "gui/*"},
}

LOCAL_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r"^\s*#\s*include\s*<([^>]+)>")
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")


def folder_of(relative_path):
    """The layer folder a path under src/ belongs to ("core/engine", "app")."""
    parts = relative_path.split("/")
    if parts[0] in ("core", "gui") and len(parts) > 2:
        return parts[0] + "/" + parts[1]
    if parts[0] == "app" and len(parts) > 1:
        return "app"
    return None


def may_include(source_folder, target_folder):
    if source_folder == target_folder:
        return True
    for allowed in ALLOWED.get(source_folder, ()):
        if allowed.endswith("/*"):
            if target_folder.startswith(allowed[:-1]):
                return True
        elif allowed == target_folder:
            return True
    return False


def gui_headers(qt_include_dirs):
    """Names of every header in the given QtWidgets and QtGui folders."""
    names = set()
    for d in qt_include_dirs:
        if os.path.basename(os.path.normpath(d)) in ("QtWidgets", "QtGui") and os.path.isdir(d):
            names.update(os.listdir(d))
    return names


CLASS_DECLARATION = re.compile(r"^\s*(?:class|struct)\s+(\w+)\b[^;]*$")
# A definition at the start of a line: "Type Class::member(" or "Class::Class(".
MEMBER_DEFINITION = re.compile(r"^(?!\s)(?!//)[^;(]*?\b(\w+)::~?\w+\s*\(")


def source_files(src_dir):
    """(relative path, layer folder, absolute path) of every C++ file."""
    for root, dirs, files in os.walk(src_dir):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, src_dir).replace(os.sep, "/")
            folder = folder_of(relative)
            if folder is not None:
                yield relative, folder, path


def class_folders(src_dir):
    """The folder of the header that declares each class or struct."""
    folders = {}
    for relative, folder, path in source_files(src_dir):
        if not relative.endswith((".h", ".hpp")):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                declared = CLASS_DECLARATION.match(line)
                if declared:
                    folders.setdefault(declared.group(1), folder)
    return folders


def misplaced_definitions(src_dir):
    """Member functions defined outside the folder of their class."""
    folders = class_folders(src_dir)
    found = []
    for relative, folder, path in source_files(src_dir):
        if not relative.endswith((".cpp", ".cc")):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                defined = MEMBER_DEFINITION.match(line)
                if not defined:
                    continue
                owner = folders.get(defined.group(1))
                if owner and owner != folder:
                    found.append(f"{relative}:{number}: a member of {defined.group(1)} "
                                 f"({owner}) is defined in {folder}")
    return found


def violations(src_dir, qt_include_dirs):
    widget_headers = gui_headers(qt_include_dirs)
    found = []
    for relative, source_folder, path in source_files(src_dir):
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                where = f"{relative}:{number}"
                local = LOCAL_INCLUDE.match(line)
                if local:
                    target_folder = folder_of(local.group(1))
                    if target_folder and not may_include(source_folder, target_folder):
                        found.append(f"{where}: {source_folder} may not include "
                                     f"{local.group(1)}")
                    continue
                system = SYSTEM_INCLUDE.match(line)
                if system and source_folder.startswith("core/"):
                    header = system.group(1)
                    top = header.split("/")[0]
                    if top in ("QtWidgets", "QtGui") or header in widget_headers:
                        found.append(f"{where}: the core may not include <{header}> "
                                     f"(Qt Widgets or Qt Gui)")
    return found + misplaced_definitions(src_dir)


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = violations(argv[1], argv[2:])
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
