#!/usr/bin/env python3
"""Two clean builds of the win32 preset from two copies of the source tree,
in two different folders, must give byte-identical launcher.exe files that
name neither folder.

    check_reproducible.py SOURCE_DIR

The copies hold the files git knows of (tracked, or new and not ignored), as
they are in the working tree, so uncommitted changes are tested too.
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pe'))
import check_exe  # noqa: E402  (the PE reader, to say where builds differ)

PRESET = 'win32'
EXE = os.path.join('build', PRESET, 'launcher.exe')


def source_files(source):
    try:
        listed = subprocess.run(['git', '-C', source, 'ls-files', '-z', '--cached', '--others', '--exclude-standard'],
                                check=True, capture_output=True).stdout
        return [name for name in listed.decode().split('\0') if name and os.path.isfile(os.path.join(source, name))]
    except (OSError, subprocess.CalledProcessError):
        # Not a git checkout (an unpacked archive): everything but build output.
        names = []
        for folder, subfolders, files in os.walk(source):
            subfolders[:] = [d for d in subfolders if d not in ('build', '.git', '__pycache__')]
            names += [os.path.relpath(os.path.join(folder, f), source) for f in files]
        return names


def copy_tree(source, target):
    for name in source_files(source):
        os.makedirs(os.path.dirname(os.path.join(target, name)), exist_ok=True)
        shutil.copy2(os.path.join(source, name), os.path.join(target, name))


def build(tree):
    for command in (['cmake', '--preset', PRESET],
                    ['cmake', '--build', '--preset', PRESET, '--target', 'launcher', '--parallel', '2']):
        result = subprocess.run(command, cwd=tree, capture_output=True, text=True)
        if result.returncode != 0:
            sys.exit('%s failed in %s:\n%s%s' % (' '.join(command), tree, result.stdout, result.stderr))
    with open(os.path.join(tree, EXE), 'rb') as exe:
        return exe.read()


def where(data, offset):
    try:
        for name, _rva, _size, raw_offset, raw_size in check_exe.Image(data).sections:
            if raw_offset <= offset < raw_offset + raw_size:
                return 'section %s + 0x%x' % (name, offset - raw_offset)
    except check_exe.BadImage:
        pass
    return 'the headers' if offset < 0x400 else 'no section'


def differences(first, second):
    if len(first) != len(second):
        return ['sizes differ: %d and %d bytes' % (len(first), len(second))]
    offsets = [i for i in range(len(first)) if first[i] != second[i]]
    if not offsets:
        return []
    shown = ', '.join('0x%x (%s)' % (offset, where(first, offset)) for offset in offsets[:5])
    return ['%d bytes differ, first at %s' % (len(offsets), shown)]


def named_folders(data, folders):
    found = []
    for folder in folders:
        for form in (folder.encode(), folder.encode('utf-16-le'), folder.replace('/', '\\').encode()):
            if form in data:
                found.append(folder)
                break
    return found


def main():
    source = os.path.abspath(sys.argv[1])
    scratch = tempfile.mkdtemp(prefix='launcher-reproducible-')
    trees = [os.path.join(scratch, 'one', 'src'), os.path.join(scratch, 'second-place', 'launcher-sources')]
    exes = []
    for tree in trees:
        copy_tree(source, tree)
        exes.append(build(tree))

    problems = differences(*exes)
    folders = [source, scratch] + trees + [os.path.join(tree, 'build', PRESET) for tree in trees]
    for tree, exe in zip(trees, exes):
        for folder in named_folders(exe, folders):
            problems.append('the exe built in %s contains the path %s' % (tree, folder))
    if problems:
        print('launcher.exe is not reproducible (builds kept in %s):' % scratch)
        for problem in problems:
            print('  - ' + problem)
        return 1
    shutil.rmtree(scratch)
    print('two builds in different folders gave the same %d bytes, naming neither folder' % len(exes[0]))
    return 0


if __name__ == '__main__':
    sys.exit(main())
