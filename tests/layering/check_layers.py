#!/usr/bin/env python3
"""Include rules per folder, so the layers keep depending one way.

    core/           pure logic: the C++ standard library and core/ only
    launcher/       the launch logic: core/, launcher/ and platform/platform.h
    platform/win32/ the only code that touches Windows: platform/ and system headers
    entry/          the Windows entry point: launcher/launcher_main.h and platform/platform.h
    tools/mint/     the administrator's tool: core/ and tools/mint/

Also refuses an include circle among these folders. Prints each breach as
file:line: error: ... and exits 1; usage: check_layers.py [SOURCE_ROOT].
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')

# folder -> (quoted includes allowed, by prefix or whole name; whether system
# headers other than the C++ standard library's may be included)
RULES = {
    "core/": (("core/",), False),
    "launcher/": (("core/", "launcher/", "platform/platform.h"), False),
    "platform/win32/": (("platform/",), True),
    "entry/": (("launcher/launcher_main.h", "platform/platform.h"), True),
    "tools/mint/": (("core/", "tools/mint/"), True),
}

SOURCE_SUFFIXES = (".h", ".cpp", ".h.in")


def rule_for(path):
    for folder, rule in RULES.items():
        if path.startswith(folder):
            return rule
    return None


def is_standard_header(name):
    # The C++ library's own headers carry no suffix (<string>, <cstdint>).
    return "." not in name and "/" not in name


def sources(root):
    for folder in RULES:
        top = os.path.join(root, folder)
        for directory, _, files in os.walk(top):
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    full = os.path.join(directory, name)
                    yield os.path.relpath(full, root).replace(os.sep, "/")


def includes(root, path):
    with open(os.path.join(root, path), encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            if match:
                yield number, match.group(1) == "<", match.group(2)


def breaches(root):
    found = []
    graph = {}
    for path in sources(root):
        allowed, system_ok = rule_for(path)
        for number, angled, name in includes(root, path):
            if angled:
                if not system_ok and not is_standard_header(name):
                    found.append(f"{path}:{number}: error: <{name}> is not a C++ standard header; "
                                 f"this layer reaches the system only through platform/platform.h")
                continue
            if not name.startswith(allowed) and name not in allowed:
                found.append(f"{path}:{number}: error: \"{name}\" is outside what {path.split('/')[0]}/ may "
                             f"include ({', '.join(allowed)})")
            graph.setdefault(path, []).append(header_path(name))
    found.extend(circles(graph))
    return found


def header_path(name):
    # The catalogue's hosts are generated from core/catalogue_hosts.h.in.
    return name + ".in" if name == "core/catalogue_hosts.h" else name


def circles(graph):
    """Files reaching themselves through includes, each circle told once."""
    found, done, stack = [], set(), []

    def visit(node):
        if node in stack:
            circle = stack[stack.index(node):] + [node]
            found.append(f"{node}:1: error: include circle: {' -> '.join(circle)}")
            return
        if node in done:
            return
        stack.append(node)
        for target in graph.get(node, []):
            visit(target)
        stack.pop()
        done.add(node)

    for node in sorted(graph):
        visit(node)
    return found


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = breaches(root)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
