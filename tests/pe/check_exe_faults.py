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


def resource_entry(image, directory, name):
    """File offset of the directory entry for a numbered resource name."""
    root, _size = image.directory(2)
    named, numbered = struct.unpack_from('<HH', image.data, directory + 12)
    for i in range(named + numbered):
        entry = directory + 16 + 8 * i
        if image.u32(entry) == name:
            return entry, root + (image.u32(entry + 4) & 0x7FFFFFFF)
    raise AssertionError('no resource entry %d' % name)


def edit_manifest(data, image, *edits):
    """Applies (old, new) text edits to the embedded manifest, keeping its
    size by padding or shortening the first comment."""
    offset, size = resource(image, check_exe.RT_MANIFEST)
    text = bytes(data[offset:offset + size])
    for old, new in edits:
        assert old in text, old
        text = text.replace(old, new, 1)
    start = text.index(b'<!--') + 4
    end = text.index(b'-->', start)
    body = text[start:end]
    excess = len(text) - size
    assert len(body) > excess, 'the first comment is too short to make room'
    body = body[:len(body) - excess] if excess > 0 else body + b' ' * -excess
    patch(data, offset, text[:start] + body + text[end:])


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


def manifest_missing(data, image):
    root, _size = image.directory(2)
    entry, _subdirectory = resource_entry(image, root, check_exe.RT_MANIFEST)
    patch(data, entry, struct.pack('<I', 23))  # RT_HTML


def manifest_not_number_1(data, image):
    root, _size = image.directory(2)
    _entry, names = resource_entry(image, root, check_exe.RT_MANIFEST)
    entry, _languages = resource_entry(image, names, 1)
    patch(data, entry, struct.pack('<I', 2))


def manifest_not_utf8(data, image):
    edit_manifest(data, image, (b'Windows XP reads', b'Windows XP r\xe9ads'))


def manifest_with_byte_order_mark(data, image):
    edit_manifest(data, image, (b'<?xml', b'\xef\xbb\xbf<?xml'))


def manifest_not_well_formed(data, image):
    edit_manifest(data, image, (b'</assembly>', b'</assembl>'))


def trust_info_without_namespace(data, image):
    edit_manifest(data, image, (b'<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">', b'<trustInfo>'))


def trust_info_in_asm_v3(data, image):
    edit_manifest(data, image, (b'<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">',
                                b'<trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">'))


def namespace_declared_twice(data, image):
    edit_manifest(data, image, (b'xmlns:asmv3="urn:schemas-microsoft-com:asm.v3">',
                                b'xmlns:asmv3="urn:schemas-microsoft-com:asm.v3" xmlns="urn:schemas-microsoft-com:asm.v3">'))


def application_settings_unprefixed(data, image):
    edit_manifest(data, image,
                  (b'<asmv3:application xmlns:asmv3=', b'<application xmlns='),
                  (b'<asmv3:windowsSettings>', b'<windowsSettings>'),
                  (b'</asmv3:windowsSettings>', b'</windowsSettings>'),
                  (b'</asmv3:application>', b'</application>'))


def administrator_requested(data, image):
    edit_manifest(data, image, (b'level="asInvoker"', b'level="requireAdministrator"'))


def ui_access(data, image):
    edit_manifest(data, image, (b'uiAccess="false"', b'uiAccess="true"'))


def windows_10_not_supported(data, image):
    edit_manifest(data, image, (b'<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>', b''))


def dpi_aware_system_only(data, image):
    edit_manifest(data, image, (b'>true/pm<', b'>true<'))


def dpi_awareness_in_2005_namespace(data, image):
    edit_manifest(data, image, (b'SMI/2016/WindowsSettings', b'SMI/2005/WindowsSettings'))


def dpi_aware_doubled(data, image):
    line = b'<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>'
    edit_manifest(data, image, (line, line + line))


def common_controls_5(data, image):
    edit_manifest(data, image, (b'Common-Controls" version="6.0.0.0"', b'Common-Controls" version="5.82.0.0"'))


def common_controls_for_x86_only(data, image):
    edit_manifest(data, image, (b'processorArchitecture="*" publicKeyToken', b'processorArchitecture="x86" publicKeyToken'))


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
    ('manifest', manifest_missing),
    ('manifest', manifest_not_number_1),
    ('manifest', manifest_not_utf8),
    ('manifest', manifest_with_byte_order_mark),
    ('manifest', manifest_not_well_formed),
    ('manifest', trust_info_without_namespace),
    ('manifest', trust_info_in_asm_v3),
    ('manifest', namespace_declared_twice),
    ('manifest', application_settings_unprefixed),
    ('manifest', administrator_requested),
    ('manifest', ui_access),
    ('manifest', windows_10_not_supported),
    ('manifest', dpi_aware_system_only),
    ('manifest', dpi_awareness_in_2005_namespace),
    ('manifest', dpi_aware_doubled),
    ('manifest', common_controls_5),
    ('manifest', common_controls_for_x86_only),
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
