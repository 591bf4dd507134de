#!/usr/bin/env python3
"""Signing for a deployment, with a throwaway code-signing certificate.

    check_signing.py SOURCE_DIR WORK_DIR UNSIGNED_LAUNCHER_EXE

Makes a CA and a code-signing certificate with openssl, configures and builds
the win32 preset of SOURCE_DIR with the signing settings into WORK_DIR/build,
and checks the signatures with osslsigncode, the CA as the only trust anchor.
A host build of launcher-mint (WORK_DIR/host) mints a copy of the signed
launcher. UNSIGNED_LAUNCHER_EXE is the preset's own, unsigned build.
"""

import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pe'))
import check_exe  # noqa: E402  (the PE reader)

SOURCE = WORK = UNSIGNED_EXE = None

SIGNER = 'Throwaway launcher signer'
# Spaces, quotes and shell characters: the password must reach osslsigncode
# through its file untouched, never through a shell or a command line.
PASSWORD = 'pfx pass "$HOME" ;\'x'
SECURITY_DIRECTORY = 4


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def run_ok(command, **options):
    result = run(command, **options)
    if result.returncode != 0:
        raise AssertionError('%s failed (%d):\n%s%s' % (' '.join(command), result.returncode,
                                                      result.stdout, result.stderr))
    return result


def make_certificates(folder):
    """A CA, a code-signing certificate it issued (as a .pfx with its password
    file) and an unrelated second CA."""
    os.makedirs(folder)

    def path(name):
        return os.path.join(folder, name)

    for ca in ('ca', 'other-ca'):
        run_ok(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '2',
                '-keyout', path(ca + '.key'), '-out', path(ca + '.pem'), '-subj', '/CN=Throwaway ' + ca,
                '-addext', 'basicConstraints=critical,CA:TRUE',
                '-addext', 'keyUsage=critical,keyCertSign,cRLSign'])
    with open(path('signer.ext'), 'w') as extensions:
        extensions.write('basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n'
                         'extendedKeyUsage=codeSigning\n')
    run_ok(['openssl', 'req', '-newkey', 'rsa:2048', '-nodes', '-keyout', path('signer.key'),
            '-out', path('signer.csr'), '-subj', '/CN=' + SIGNER])
    run_ok(['openssl', 'x509', '-req', '-in', path('signer.csr'), '-CA', path('ca.pem'), '-CAkey', path('ca.key'),
            '-CAcreateserial', '-days', '2', '-extfile', path('signer.ext'), '-out', path('signer.pem')])
    # As an administrator would write it: one line, ending in a line feed.
    with open(path('password.txt'), 'w') as password:
        password.write(PASSWORD + '\n')
    run_ok(['openssl', 'pkcs12', '-export', '-inkey', path('signer.key'), '-in', path('signer.pem'),
            '-certfile', path('ca.pem'), '-out', path('signer.pfx'), '-passout', 'file:' + path('password.txt')])
    with open(path('wrong-password.txt'), 'w') as password:
        password.write('not the password\n')
    return path


def configure(build, *settings):
    return run(['cmake', '--preset', 'win32', '-B', build] + ['-D' + setting for setting in settings], cwd=SOURCE)


def verify(exe, anchor):
    return run(['osslsigncode', 'verify', '-CAfile', anchor, '-in', exe])


def security_directory(data):
    image = check_exe.Image(data)
    return image.directories[SECURITY_DIRECTORY]


def without_checksum(data):
    image = check_exe.Image(data)
    return data[:image.optional_header + 64] + bytes(4) + data[image.optional_header + 68:]


def without_signature(data):
    """The image without its certificate table and the entry for it. The
    checksum, which signing recomputes, is left out of the comparison."""
    image = check_exe.Image(data)
    offset, size = image.directories[SECURITY_DIRECTORY]
    if offset + size != len(data):
        raise AssertionError('the certificate table is not at the end of the file')
    stripped = bytearray(data[:offset])
    entry = image.optional_header + 96 + 8 * SECURITY_DIRECTORY
    stripped[entry:entry + 8] = bytes(8)
    return without_checksum(bytes(stripped))


class SignedBuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.path = staticmethod(make_certificates(os.path.join(WORK, 'certificates')))
        cls.build = os.path.join(WORK, 'build')
        cls.settings = ('LAUNCHER_SIGNING_PFX=' + cls.path('signer.pfx'),
                        'LAUNCHER_SIGNING_PASSWORD_FILE=' + cls.path('password.txt'))
        result = configure(cls.build, *cls.settings)
        if result.returncode != 0:
            raise AssertionError('configuring the signing build failed:\n' + result.stdout + result.stderr)
        cls.build_targets()
        cls.launcher = os.path.join(cls.build, 'launcher.exe')
        cls.mint_exe = os.path.join(cls.build, 'tools', 'mint', 'launcher-mint.exe')

        host = os.path.join(WORK, 'host')
        run_ok(['cmake', '--preset', 'host', '-B', host], cwd=SOURCE)
        run_ok(['cmake', '--build', host, '--target', 'launcher-mint', '--parallel', '2'])
        cls.host_mint = os.path.join(host, 'tools', 'mint', 'launcher-mint')

    @classmethod
    def build_targets(cls):
        return run_ok(['cmake', '--build', cls.build, '--target', 'launcher', 'launcher-mint', '--parallel', '2'])

    def assert_signed_by_us(self, exe):
        result = verify(exe, self.path('ca.pem'))
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        self.assertIn('Signature verification: ok', result.stdout)
        self.assertRegex(result.stdout, r'Message digest algorithm\s*: SHA256')
        self.assertIn('Subject: /CN=' + SIGNER, result.stdout)

    def test_launcher_and_mint_are_signed_and_verify(self):
        for exe in (self.launcher, self.mint_exe):
            with self.subTest(exe=os.path.basename(exe)):
                self.assert_signed_by_us(exe)

    def test_signature_needs_the_trust_anchor(self):
        result = verify(self.launcher, self.path('other-ca.pem'))
        self.assertNotEqual(0, result.returncode, result.stdout)

    def test_signing_adds_only_the_signature(self):
        with open(self.launcher, 'rb') as signed, open(UNSIGNED_EXE, 'rb') as unsigned:
            signed, unsigned = signed.read(), unsigned.read()
        self.assertEqual((0, 0), security_directory(unsigned), 'the default build must not sign')
        self.assertEqual(without_checksum(unsigned), without_signature(signed))

    def test_minted_copy_still_verifies(self):
        roster = os.path.join(WORK, 'roster.csv')
        out = os.path.join(WORK, 'minted')
        shutil.rmtree(out, ignore_errors=True)
        with open(roster, 'w', encoding='utf-8') as csv:
            csv.write('product,user,password\nVELSO_8,ivanov,Secret1\n')
        run_ok([self.host_mint, '--launcher', self.launcher, '--roster', roster, '--out', out])
        copy = os.path.join(out, 'VELSO_8$ivanov$Secret1$.exe')
        self.assertEqual(['VELSO_8$ivanov$Secret1$.exe'], os.listdir(out))
        self.assert_signed_by_us(copy)

    def test_one_changed_byte_fails(self):
        with open(self.launcher, 'rb') as exe:
            original = exe.read()
        image = check_exe.Image(original)
        text = next(section for section in image.sections if section[0] == '.text')
        manifest, _size = next(iter(image.resources()[check_exe.RT_MANIFEST][1].values()))
        signature, _length = security_directory(original)
        # WIN_CERTIFICATE: length, revision, type, then the PKCS#7 DER; with
        # no time stamp its last bytes are the signer's RSA signature.
        der = signature + 8
        length_octets = original[der + 1] & 0x7F if original[der + 1] & 0x80 else 0
        der_length = 2 + length_octets + (int.from_bytes(original[der + 2:der + 2 + length_octets], 'big')
                                          if length_octets else original[der + 1])
        places = {
            'code': text[3] + text[4] // 2,
            'manifest': original.index(b'asInvoker', manifest),
            'signature': der + der_length - 16,
        }
        for name, offset in places.items():
            with self.subTest(byte=name):
                changed = bytearray(original)
                changed[offset] ^= 0x01
                path = os.path.join(WORK, 'changed-%s.exe' % name)
                with open(path, 'wb') as exe:
                    exe.write(changed)
                result = verify(path, self.path('ca.pem'))
                self.assertNotEqual(0, result.returncode, result.stdout)

    def test_password_is_in_no_build_file(self):
        needle = PASSWORD.encode()
        for folder, _subfolders, files in os.walk(self.build):
            for name in files:
                with open(os.path.join(folder, name), 'rb') as file:
                    self.assertNotIn(needle, file.read(), os.path.join(folder, name))

    def test_failed_signing_leaves_no_exe(self):
        cases = {
            'wrong password': ['-DPASSWORD_FILE=' + self.path('wrong-password.txt')],
            'time stamp server unreachable': ['-DPASSWORD_FILE=' + self.path('password.txt'),
                                              '-DTIMESTAMP_URL=http://127.0.0.1:9/'],
        }
        for case, settings in cases.items():
            with self.subTest(case=case):
                exe = os.path.join(WORK, 'to-sign.exe')
                shutil.copyfile(UNSIGNED_EXE, exe)
                result = run(['cmake', '-DOSSLSIGNCODE=osslsigncode', '-DPFX=' + self.path('signer.pfx'),
                              '-DFILE=' + exe] + settings + ['-P', os.path.join(SOURCE, 'cmake', 'signing.cmake')])
                self.assertNotEqual(0, result.returncode)
                self.assertIn('Signing %s failed' % exe, ' '.join(result.stderr.split()))
                self.assertFalse(os.path.exists(exe), 'an unsigned exe was left in place')
                self.assertFalse(os.path.exists(exe + '.signed'))

    def test_switching_signing_off_and_on_relinks(self):
        try:
            run_ok(['cmake', '-S', SOURCE, '-B', self.build, '-DLAUNCHER_SIGNING_PFX=', '-DLAUNCHER_SIGNING_PASSWORD_FILE='])
            self.build_targets()
            for exe in (self.launcher, self.mint_exe):
                with open(exe, 'rb') as file:
                    self.assertEqual((0, 0), security_directory(file.read()), exe)
        finally:
            run_ok(['cmake', '-S', SOURCE, '-B', self.build] + ['-D' + setting for setting in self.settings])
            self.build_targets()
        self.assert_signed_by_us(self.launcher)
        self.assert_signed_by_us(self.mint_exe)


class RefusedSettings(unittest.TestCase):
    """A signing build that cannot sign stops at configure time."""

    def test_configure_refuses(self):
        path = make_certificates(os.path.join(WORK, 'refused-certificates'))
        missing = os.path.join(WORK, 'no-such-file.pfx')
        cases = {
            'missing pfx': (['LAUNCHER_SIGNING_PFX=' + missing, 'LAUNCHER_SIGNING_PASSWORD_FILE=' + path('password.txt')],
                            'LAUNCHER_SIGNING_PFX: no such file: ' + missing),
            'missing password file': (['LAUNCHER_SIGNING_PFX=' + path('signer.pfx'),
                                       'LAUNCHER_SIGNING_PASSWORD_FILE=' + missing],
                                      'LAUNCHER_SIGNING_PASSWORD_FILE: no such file: ' + missing),
            'pfx is a folder': (['LAUNCHER_SIGNING_PFX=' + WORK, 'LAUNCHER_SIGNING_PASSWORD_FILE=' + path('password.txt')],
                                'LAUNCHER_SIGNING_PFX: a folder, not a file: ' + WORK),
            'no password file': (['LAUNCHER_SIGNING_PFX=' + path('signer.pfx')],
                                 'LAUNCHER_SIGNING_PASSWORD_FILE is not set'),
            'no pfx': (['LAUNCHER_SIGNING_PASSWORD_FILE=' + path('password.txt')], 'LAUNCHER_SIGNING_PFX is not set'),
            'time stamp not a URL': (['LAUNCHER_SIGNING_PFX=' + path('signer.pfx'),
                                      'LAUNCHER_SIGNING_PASSWORD_FILE=' + path('password.txt'),
                                      'LAUNCHER_SIGNING_TIMESTAMP_URL=timestamp.example'],
                                     'LAUNCHER_SIGNING_TIMESTAMP_URL must be an http:// or https:// URL'),
        }
        for number, (case, (settings, message)) in enumerate(cases.items()):
            with self.subTest(case=case):
                build = os.path.join(WORK, 'refused-%d' % number)
                result = configure(build, *settings)
                self.assertNotEqual(0, result.returncode, result.stdout)
                self.assertIn(message, ' '.join(result.stderr.split()))
                self.assertFalse(os.path.exists(os.path.join(build, 'Makefile')), 'build files were generated')


if __name__ == '__main__':
    SOURCE, WORK, UNSIGNED_EXE = (os.path.abspath(argument) for argument in sys.argv[1:4])
    del sys.argv[1:4]
    shutil.rmtree(WORK, ignore_errors=True)
    unittest.main(verbosity=2)
