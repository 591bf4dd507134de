#!/usr/bin/env python3
"""The exe checks pass on the built launcher.exe and fail, each for its own
reason, on copies of it with one fault patched in.

    check_exe_faults.py launcher.exe
"""

import struct
import sys
import unittest

import check_exe

EXE = None


def utf16(text):
    return text.encode('utf-16-le')


def resource(image, kind, name=None):
    names = image.resources()[kind]
    return next(iter(names[name if name is not None else next(iter(names))].values()))


def icon_data_offset(image, size):
    """File offset of the icon image the group lists for this size."""
    group, _length = resource(image, check_exe.RT_GROUP_ICON)
    for i in range(image.u16(group + 4)):
        entry = group + 6 + 14 * i
        if (image.data[entry] or 256) == size:
            return resource(image, check_exe.RT_ICON, image.u16(entry + 12))[0], entry
    raise AssertionError('no %d px icon' % size)


def patch(data, offset, new):
    data[offset:offset + len(new)] = new


def replace_in(data, start, old, new):
    at = data.index(old, start)
    patch(data, at, new)
    return at


# Each fault: the one check that must catch it, and the patch.
def pe32_plus(data, image):
    patch(data, image.optional_header, struct.pack('<H', 0x20B))


def amd64(data, image):
    patch(data, image.file_header, struct.pack('<H', 0x8664))


def console(data, image):
    patch(data, image.optional_header + 68, struct.pack('<H', 3))


def time_stamp(data, image):
    patch(data, image.file_header + 4, struct.pack('<I', 0x65000000))


def foreign_dll(data, image):
    # A system DLL, but one Windows searches for beside the exe first.
    replace_in(data, 0, b'USER32.dll\0', b'shcore.dll\0')


def mingw_runtime_dll(data, image):
    replace_in(data, 0, b'USER32.dll\0', b'libgcc.dll\0')


def size_missing(data, image):
    _offset, entry = icon_data_offset(image, 20)
    patch(data, entry, bytes((22, 22)))


def large_image_not_png(data, image):
    offset, _entry = icon_data_offset(image, 256)
    patch(data, offset + 1, b'X')


def dib_of_8_bits(data, image):
    offset, _entry = icon_data_offset(image, 16)
    patch(data, offset + 14, struct.pack('<H', 8))


def empty_alpha(data, image):
    offset, _entry = icon_data_offset(image, 32)
    for pixel in range(32 * 32):
        data[offset + 40 + 4 * pixel + 3] = 0


def file_version(data, image):
    start, _length = resource(image, check_exe.RT_VERSION)
    fixed = replace_in(data, start, struct.pack('<I', 0xFEEF04BD), struct.pack('<I', 0xFEEF04BD))
    patch(data, fixed + 12, struct.pack('<I', 1))  # FileVersionLS: 1.0.0.1


def product_version_string(data, image):
    start, _length = resource(image, check_exe.RT_VERSION)
    key = data.index(utf16('ProductVersion\0'), start)
    replace_in(data, key, utf16('1.0.0.0'), utf16('1.0.0.1'))


def english_string_table(data, image):
    start, _length = resource(image, check_exe.RT_VERSION)
    replace_in(data, start, utf16('041904E3'), utf16('040904E3'))


def english_translation(data, image):
    start, _length = resource(image, check_exe.RT_VERSION)
    replace_in(data, start, struct.pack('<HH', 0x0419, 1251), struct.pack('<HH', 0x0409, 1251))


def company_named(data, image):
    start, _length = resource(image, check_exe.RT_VERSION)
    key = data.index(utf16('CompanyName\0'), start) + len(utf16('CompanyName\0'))
    patch(data, (key + 3) & ~3, utf16('X'))  # the value was a lone terminator


def caption_altered(data, image):
    caption = 'Удаленное подключение'.encode('cp1251')
    replace_in(data, 0, caption, caption.replace('л'.encode('cp1251'), 'п'.encode('cp1251')))


def caption_in_utf8(data, image):
    data += 'Удаленное подключение'.encode('utf-8')


# A PE32+ header moves the data directories, so other checks fail with it.
CASCADING = (pe32_plus,)

FAULTS = (
    ('header', pe32_plus),
    ('header', amd64),
    ('header', console),
    ('header', time_stamp),
    ('imports', foreign_dll),
    ('imports', mingw_runtime_dll),
    ('icon', size_missing),
    ('icon', large_image_not_png),
    ('icon', dib_of_8_bits),
    ('icon', empty_alpha),
    ('version', file_version),
    ('version', product_version_string),
    ('version', english_string_table),
    ('version', english_translation),
    ('version', company_named),
    ('texts', caption_altered),
    ('texts', caption_in_utf8),
)


class ExeChecks(unittest.TestCase):
    def setUp(self):
        with open(EXE, 'rb') as exe:
            self.original = exe.read()

    def test_built_exe_passes_every_check(self):
        self.assertEqual({name: [] for name in check_exe.CHECKS}, check_exe.run_checks(self.original))

    def test_each_fault_fails_only_its_own_check(self):
        for expected, fault in FAULTS:
            with self.subTest(fault=fault.__name__):
                data = bytearray(self.original)
                fault(data, check_exe.Image(self.original))
                self.assertNotEqual(self.original, bytes(data), 'the patch changed nothing')
                failed = {name: problems for name, problems in check_exe.run_checks(bytes(data)).items()
                          if problems}
                self.assertIn(expected, failed)
                if fault not in CASCADING:
                    self.assertEqual([expected], list(failed), failed)


if __name__ == '__main__':
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
