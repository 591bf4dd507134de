#!/usr/bin/env python3
"""Static checks of the shipped 32-bit launcher.exe, read as a PE file.

    check_exe.py launcher.exe [--only header,imports,icon,version,texts,manifest]

Prints one line per check ("ok" or "FAIL" with every problem found) and exits
non-zero if any check failed. Only the standard library is used.
"""

import argparse
import struct
import sys
import xml.dom
import xml.dom.minidom
from xml.parsers.expat import ExpatError

MACHINE_I386 = 0x014C
OPTIONAL_MAGIC_PE32 = 0x010B
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'

ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_ICON_SIZES = (256,)

# The DLLs the launcher may import: Windows loads these from its protected
# list (KnownDLLs), never from the copy's folder. Anything else (shell32 and
# what it pulls in) is loaded at run time from the system folder, after the
# DLL search has been restricted.
SYSTEM_DLLS = {'kernel32.dll', 'user32.dll', 'msvcrt.dll'}
MINGW_RUNTIME_DLLS = ('libstdc++', 'libgcc', 'libwinpthread')

VERSION = (1, 0, 0, 0)
VERSION_TEXT = '1.0.0.0'
TRANSLATION = (0x0419, 1251)
STRING_TABLE = '041904E3'
VERSION_STRINGS = ('FileVersion', 'ProductVersion')
DESCRIPTIVE_STRINGS = ('CompanyName', 'FileDescription', 'ProductName')

# The launcher's own texts, which must be stored as code page 1251 bytes.
TEXTS = (
    'Удаленное подключение',
    'Пожалуйста не переименовывайте файл!\n\rСкачайте файл заново.',
    'Для подключения используйте имя пользователя - ',
    ' и пароль ',
    'ВЕЛСО 8',
    'ВЕЛСО НРТ 2016',
    'ВЕЛСО ЛМ Онлайн',
    'ВЕЛСО ДОР РФ',
)


# The application manifest: the process manifest's resource name and language.
MANIFEST_ID = 1  # CREATEPROCESS_MANIFEST_RESOURCE_ID
MANIFEST_LANGUAGE = 0  # neutral
ASM_V1 = 'urn:schemas-microsoft-com:asm.v1'
ASM_V2 = 'urn:schemas-microsoft-com:asm.v2'
ASM_V3 = 'urn:schemas-microsoft-com:asm.v3'
COMPATIBILITY_V1 = 'urn:schemas-microsoft-com:compatibility.v1'
SETTINGS_2005 = 'http://schemas.microsoft.com/SMI/2005/WindowsSettings'
SETTINGS_2016 = 'http://schemas.microsoft.com/SMI/2016/WindowsSettings'
# The asm.v1 children Windows XP knows; it refuses to start a program whose
# manifest has any other (such as a trustInfo left without its asm.v2 namespace).
XP_ASM_V1_CHILDREN = {'assemblyIdentity', 'dependency', 'description', 'file', 'noInherit', 'noInheritable'}
SUPPORTED_OS = {
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}': 'Vista',
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}': '7',
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}': '8',
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}': '8.1',
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}': '10 and 11',
}
DPI_AWARE = 'true/pm'  # system aware before 8.1, per monitor from 8.1
DPI_AWARENESS = 'PerMonitorV2, PerMonitor'
COMMON_CONTROLS = {
    'type': 'win32', 'name': 'Microsoft.Windows.Common-Controls', 'version': '6.0.0.0',
    'processorArchitecture': '*', 'publicKeyToken': '6595b64144ccf1df', 'language': '*',
}


class BadImage(Exception):
    pass


class Image:
    """The parts of a PE file the checks read. Offsets are file offsets."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ' or len(data) < 0x40:
            raise BadImage('no MZ header: not an executable')
        self.pe_offset = self.u32(0x3C)
        if data[self.pe_offset:self.pe_offset + 4] != b'PE\0\0':
            raise BadImage('no PE signature at 0x%x' % self.pe_offset)
        self.file_header = self.pe_offset + 4
        self.machine, section_count = struct.unpack_from('<HH', data, self.file_header)
        self.timestamp = self.u32(self.file_header + 4)
        optional_size = self.u16(self.file_header + 16)
        self.optional_header = self.file_header + 20
        self.magic = self.u16(self.optional_header)
        self.subsystem = self.u16(self.optional_header + 68)
        # PE32 and PE32+ place the data directories differently.
        directories = self.optional_header + (96 if self.magic == OPTIONAL_MAGIC_PE32 else 112)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from('<II', data, directories + 8 * i) for i in range(min(count, 16))]
        self.sections = []
        table = self.optional_header + optional_size
        for i in range(section_count):
            entry = table + 40 * i
            name = data[entry:entry + 8].rstrip(b'\0').decode('ascii', 'replace')
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from('<IIII', data, entry + 8)
            self.sections.append((name, rva, max(virtual_size, raw_size), raw_offset, raw_size))

    def u16(self, offset):
        return struct.unpack_from('<H', self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from('<I', self.data, offset)[0]

    def offset(self, rva):
        for _name, start, size, raw_offset, raw_size in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw_offset + rva - start
        raise BadImage('RVA 0x%x lies in no section' % rva)

    def directory(self, index):
        rva, size = self.directories[index] if index < len(self.directories) else (0, 0)
        return (self.offset(rva), size) if rva else (None, 0)

    def c_string(self, offset):
        return self.data[offset:self.data.index(b'\0', offset)].decode('latin-1')

    def imported_dlls(self):
        """Names of the DLLs in the import and the delay-load import tables."""
        # (directory, offset of the name's RVA in an entry, entry size)
        return [name for table in ((1, 12, 20), (13, 4, 32)) for name in self.dll_names(*table)]

    def dll_names(self, directory, name_field, entry_size):
        names = []
        offset, _size = self.directory(directory)
        while offset is not None and self.u32(offset + name_field) != 0:
            names.append(self.c_string(self.offset(self.u32(offset + name_field))))
            offset += entry_size
        return names

    def resources(self):
        """{type: {name: {language: (file offset, size)}}}; names are ints or strings."""
        root, _size = self.directory(2)
        if root is None:
            return {}

        def entries(directory):
            named, numbered = struct.unpack_from('<HH', self.data, directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from('<II', self.data, directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = root + (name & 0x7FFFFFFF)
                    name = self.data[at + 2:at + 2 + 2 * self.u16(at)].decode('utf-16-le')
                yield name, target

        tree = {}
        for kind, kind_target in entries(root):
            names = tree.setdefault(kind, {})
            for name, name_target in entries(root + (kind_target & 0x7FFFFFFF)):
                languages = names.setdefault(name, {})
                for language, leaf in entries(root + (name_target & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from('<II', self.data, root + leaf)
                    languages[language] = (self.offset(rva), size)
        return tree


def check_header(image):
    problems = []
    if image.magic != OPTIONAL_MAGIC_PE32:
        problems.append('optional header magic 0x%x, want 0x10b (PE32, a 32-bit image)' % image.magic)
    if image.machine != MACHINE_I386:
        problems.append('machine 0x%x, want 0x14c (i386)' % image.machine)
    if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
        problems.append('subsystem %d, want 2 (Windows GUI: no console window)' % image.subsystem)
    if image.timestamp != 0:
        problems.append('link time stamp 0x%x, want 0 (equal sources must give equal bytes)' % image.timestamp)
    return problems


def check_imports(image):
    problems = []
    dlls = image.imported_dlls()
    if not any(dll.lower() == 'kernel32.dll' for dll in dlls):
        problems.append('no import of KERNEL32.dll: import table not found or unreadable')
    for dll in dlls:
        if dll.lower().startswith(MINGW_RUNTIME_DLLS):
            problems.append('imports %s: the MinGW run-time must be linked statically' % dll)
        elif dll.lower() not in SYSTEM_DLLS:
            problems.append('imports %s, which is not one of the allowed system DLLs (%s)'
                            % (dll, ', '.join(sorted(SYSTEM_DLLS))))
    return problems


def icon_image_problems(size, data):
    if size in PNG_ICON_SIZES:
        if not data.startswith(PNG_SIGNATURE):
            return ['%d px image is not stored as PNG' % size]
        width, height, depth, colour_type = struct.unpack_from('>IIBB', data, 16)
        if (width, height) != (size, size):
            return ['%d px PNG is %dx%d' % (size, width, height)]
        if (depth, colour_type) != (8, 6):
            return ['%d px PNG has bit depth %d, colour type %d; want 8-bit RGBA (8, 6)'
                    % (size, depth, colour_type)]
        return []
    if data.startswith(PNG_SIGNATURE):
        return ['%d px image is PNG; want a 32-bit DIB (only %s px as PNG)'
                % (size, ', '.join(map(str, PNG_ICON_SIZES)))]
    if len(data) < 40:
        return ['%d px image is %d bytes: no bitmap header' % (size, len(data))]
    header_size, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 0)
    if header_size != 40 or width != size or height != 2 * size or planes != 1:
        return ['%d px DIB header: size %d, %dx%d, %d planes; want 40, %dx%d (colour and mask), 1'
                % (size, header_size, width, height, planes, size, 2 * size)]
    if bits != 32 or compression != 0:
        return ['%d px DIB has %d bits per pixel, compression %d; want 32 (with alpha), uncompressed'
                % (size, bits, compression)]
    mask_stride = (size + 31) // 32 * 4
    if len(data) != 40 + size * size * 4 + mask_stride * size:
        return ['%d px DIB is %d bytes; want %d (header, BGRA pixels, AND mask)'
                % (size, len(data), 40 + size * size * 4 + mask_stride * size)]
    alpha = data[40 + 3:40 + size * size * 4:4]
    if not any(alpha):
        return ['%d px DIB has an empty alpha channel: Windows would show it without transparency' % size]
    return []


def check_icon(image):
    resources = image.resources()
    groups = resources.get(RT_GROUP_ICON, {})
    if len(groups) != 1:
        return ['%d icon groups, want exactly 1' % len(groups)]
    (group_name, languages), = groups.items()
    if len(languages) != 1:
        return ['icon group %s exists in %d languages, want 1' % (group_name, len(languages))]
    (offset, size), = languages.values()
    reserved, kind, count = struct.unpack_from('<HHH', image.data, offset)
    if reserved != 0 or kind != 1 or size != 6 + 14 * count:
        return ['icon group header is malformed (type %d, %d entries in %d bytes)' % (kind, count, size)]
    icons = {name: next(iter(by_language.values())) for name, by_language in resources.get(RT_ICON, {}).items()}
    problems = []
    sizes = []
    for i in range(count):
        width, height, _colours, _reserved, _planes, bits, length, icon_id = struct.unpack_from(
            '<BBBBHHIH', image.data, offset + 6 + 14 * i)
        width, height = width or 256, height or 256
        sizes.append(width)
        if width != height:
            problems.append('icon entry %d is %dx%d, not square' % (i, width, height))
        if bits != 32:
            problems.append('%d px entry declares %d bits per pixel, want 32' % (width, bits))
        if icon_id not in icons:
            problems.append('%d px entry points to icon %d, which does not exist' % (width, icon_id))
            continue
        icon_offset, icon_size = icons.pop(icon_id)
        if icon_size != length:
            problems.append('%d px entry declares %d bytes, the icon has %d' % (width, length, icon_size))
        problems += icon_image_problems(width, image.data[icon_offset:icon_offset + icon_size])
    if sorted(sizes) != list(ICON_SIZES):
        problems.append('icon sizes %s, want %s' % (sorted(sizes), list(ICON_SIZES)))
    if icons:
        problems.append('icons %s belong to no group' % sorted(icons))
    return problems


def version_blocks(data, offset, end):
    """Parses VS_VERSIONINFO-style blocks: yields (key, value bytes, value type, children)."""
    while offset + 6 <= end:
        length, value_length, value_type = struct.unpack_from('<HHH', data, offset)
        if length == 0:
            break
        key_end = offset + 6
        while data[key_end:key_end + 2] != b'\0\0':
            key_end += 2
        key = data[offset + 6:key_end].decode('utf-16-le')
        value_offset = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if value_type == 1 else value_length
        value = data[value_offset:value_offset + value_size]
        children_offset = (value_offset + value_size + 3) & ~3
        yield key, value, value_type, list(version_blocks(data, children_offset, offset + length))
        offset = (offset + length + 3) & ~3


def check_version(image):
    versions = image.resources().get(RT_VERSION, {})
    if len(versions) != 1 or len(next(iter(versions.values()))) != 1:
        return ['%d version resources, want exactly 1' % sum(len(v) for v in versions.values())]
    (offset, size), = next(iter(versions.values())).values()
    blocks = list(version_blocks(image.data, offset, offset + size))
    if not blocks or blocks[0][0] != 'VS_VERSION_INFO' or len(blocks[0][1]) != 52:
        return ['version resource has no VS_VERSION_INFO with fixed file info']
    _key, fixed, _type, children = blocks[0]
    signature, _struct_version, file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<6I', fixed)
    problems = []
    if signature != 0xFEEF04BD:
        problems.append('fixed file info signature 0x%x, want 0xfeef04bd' % signature)

    def quad(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    for what, ms, ls in (('file', file_ms, file_ls), ('product', product_ms, product_ls)):
        if quad(ms, ls) != VERSION:
            problems.append('fixed %s version %s, want %s' % (what, '.'.join(map(str, quad(ms, ls))), VERSION_TEXT))

    sections = {key: grandchildren for key, _value, _type, grandchildren in children}
    tables = sections.get('StringFileInfo', [])
    if [table[0] for table in tables] != [STRING_TABLE]:
        problems.append('string tables %s, want exactly [%s]' % ([table[0] for table in tables], STRING_TABLE))
    for table in tables:
        strings = {key: value.decode('utf-16-le').rstrip('\0') for key, value, _type, _children in table[3]}
        for key in VERSION_STRINGS:
            if strings.get(key) != VERSION_TEXT:
                problems.append('%s string in %s is %r, want %r' % (key, table[0], strings.get(key), VERSION_TEXT))
        for key in DESCRIPTIVE_STRINGS:
            if key not in strings:
                problems.append('%s string missing from %s (want it present and empty)' % (key, table[0]))
        for key, value in sorted(strings.items()):
            if key not in VERSION_STRINGS and value:
                problems.append('%s string is %r, want it empty' % (key, value))
    translations = [value for key, value, _type, _children in sections.get('VarFileInfo', []) if key == 'Translation']
    pairs = [struct.unpack_from('<HH', value, i) for value in translations for i in range(0, len(value) - 3, 4)]
    if pairs != [TRANSLATION]:
        problems.append('translations %s, want exactly [(0x0419, 1251)]'
                        % ['(0x%04x, %d)' % pair for pair in pairs])
    return problems


def check_texts(image):
    problems = []
    for text in TEXTS:
        if text.encode('cp1251') not in image.data:
            problems.append('%r is not in the exe as code page 1251 bytes' % text)
        if text.encode('utf-8') in image.data:
            problems.append('%r is in the exe as UTF-8: texts must be code page 1251' % text)
    return problems


def elements(node, namespace, name):
    """Every element below node with this namespace and local name."""
    return [e for e in node.getElementsByTagNameNS(namespace, name)]


def text_of(element):
    return ''.join(child.data for child in element.childNodes if child.nodeType == child.TEXT_NODE).strip()


def manifest_xp_problems(root):
    """What Windows XP's loader would refuse: it then starts nothing at all."""
    problems = []
    for element in root.getElementsByTagName('*') + [root]:
        declared = [a.value for a in element.attributes.values() if a.namespaceURI == xml.dom.XMLNS_NAMESPACE]
        if len(declared) > 1:
            # Two declarations on one element crash XP SP2's csrss (KB 921337).
            problems.append('<%s> declares %d namespaces (%s); XP wants at most one per element'
                            % (element.tagName, len(declared), ', '.join(declared)))
        if element.namespaceURI == ASM_V3 and not element.prefix:
            problems.append('<%s> is in asm.v3 without a prefix; XP accepts only the prefixed form' % element.tagName)
    for child in root.childNodes:
        if child.nodeType != child.ELEMENT_NODE:
            continue
        if child.namespaceURI == ASM_V1 and child.localName not in XP_ASM_V1_CHILDREN:
            problems.append('<%s> in asm.v1 under <assembly>: XP rejects the manifest' % child.localName)
    trust = elements(root, ASM_V2, 'trustInfo')
    if len(trust) != 1:
        problems.append('%d trustInfo elements in asm.v2, want 1 (XP loads no other form)' % len(trust))
    return problems


def manifest_content_problems(root):
    problems = []
    identities = [e for e in root.childNodes if e.nodeType == e.ELEMENT_NODE
                  and (e.namespaceURI, e.localName) == (ASM_V1, 'assemblyIdentity')]
    if len(identities) != 1:
        problems.append('%d assemblyIdentity elements of the program, want 1' % len(identities))
    else:
        version = identities[0].getAttribute('version').split('.')
        if identities[0].getAttribute('type') != 'win32' or not identities[0].getAttribute('name') or \
                len(version) != 4 or not all(part.isdigit() for part in version):
            problems.append('program identity wants type "win32", a name and a four-part version')

    levels = [e for trust in elements(root, ASM_V2, 'trustInfo') for e in elements(trust, ASM_V2, 'requestedExecutionLevel')]
    if [(e.getAttribute('level'), e.getAttribute('uiAccess')) for e in levels] != [('asInvoker', 'false')]:
        problems.append('requestedExecutionLevel %s, want exactly one: level "asInvoker", uiAccess "false"'
                        % [(e.getAttribute('level'), e.getAttribute('uiAccess')) for e in levels])

    systems = [e.getAttribute('Id') for e in elements(root, COMPATIBILITY_V1, 'supportedOS')]
    if sorted(systems) != sorted(SUPPORTED_OS):
        missing = [SUPPORTED_OS[i] for i in SUPPORTED_OS if i not in systems]
        problems.append('supportedOS %s; missing: %s' % (systems, ', '.join(missing) or 'none (extra or doubled entries)'))

    settings = elements(root, ASM_V3, 'windowsSettings')
    for namespace, name, want in ((SETTINGS_2005, 'dpiAware', DPI_AWARE), (SETTINGS_2016, 'dpiAwareness', DPI_AWARENESS)):
        found = [text_of(e) for s in settings for e in elements(s, namespace, name)]
        # A doubled setting makes Windows refuse the whole manifest.
        if found != [want]:
            problems.append('%s in %s: %s, want exactly one, %r' % (name, namespace, found, want))

    dependencies = [{name: e.getAttribute(name) for name in COMMON_CONTROLS}
                    for dependency in elements(root, ASM_V1, 'dependentAssembly')
                    for e in elements(dependency, ASM_V1, 'assemblyIdentity')]
    if dependencies != [COMMON_CONTROLS]:
        problems.append('dependencies %s, want exactly Common Controls 6: %s' % (dependencies, COMMON_CONTROLS))
    return problems


def check_manifest(image):
    manifests = image.resources().get(RT_MANIFEST, {})
    found = [(name, language) for name, languages in manifests.items() for language in languages]
    if found != [(MANIFEST_ID, MANIFEST_LANGUAGE)]:
        return ['manifest resources %s (name, language), want exactly [(1, 0)]: the loader reads manifest 1' % found]
    offset, size = manifests[MANIFEST_ID][MANIFEST_LANGUAGE]
    data = image.data[offset:offset + size]
    try:
        text = data.decode('utf-8')
    except UnicodeDecodeError as error:
        return ['manifest is not UTF-8: %s' % error]
    if text.startswith('\ufeff'):
        return ['manifest starts with a byte-order mark']
    if not text.startswith('<?xml version="1.0" encoding="UTF-8"'):
        return ['manifest does not start with an XML declaration of UTF-8']
    try:
        root = xml.dom.minidom.parseString(data).documentElement
    except ExpatError as error:
        return ['manifest is not well-formed XML: %s' % error]
    if (root.namespaceURI, root.localName, root.getAttribute('manifestVersion')) != (ASM_V1, 'assembly', '1.0'):
        return ['manifest root is <%s> in %s, want <assembly manifestVersion="1.0"> in asm.v1'
                % (root.tagName, root.namespaceURI)]
    return manifest_xp_problems(root) + manifest_content_problems(root)


CHECKS = {
    'header': check_header,
    'imports': check_imports,
    'icon': check_icon,
    'version': check_version,
    'texts': check_texts,
    'manifest': check_manifest,
}


def run_checks(data, names=tuple(CHECKS)):
    """{check name: [problems]} for the exe's bytes."""
    try:
        image = Image(data)
    except BadImage as error:
        return {name: [str(error)] for name in names}
    results = {}
    for name in names:
        try:
            results[name] = CHECKS[name](image)
        except (BadImage, struct.error, ValueError, IndexError) as error:
            results[name] = ['unreadable: %s' % error]
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('exe')
    parser.add_argument('--only', default=','.join(CHECKS), help='comma-separated: ' + ', '.join(CHECKS))
    args = parser.parse_args()
    names = args.only.split(',')
    unknown = [name for name in names if name not in CHECKS]
    if unknown:
        parser.error('unknown checks: %s' % ', '.join(unknown))
    with open(args.exe, 'rb') as exe:
        data = exe.read()
    failed = False
    for name, problems in run_checks(data, names).items():
        if problems:
            failed = True
            print('FAIL %s: %s' % (name, args.exe))
            for problem in problems:
                print('  - ' + problem)
        else:
            print('ok   %s' % name)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
