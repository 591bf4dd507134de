"""Faults around the run: each ends the way the launcher promises and loses
nothing else."""

import re
import unittest

from harness import Sandbox, fixture, host

TICKET = "VELSO_8$ivanov$Secret1$.exe"


class FaultTest(unittest.TestCase):

    def assert_fatal_report(self, result, message):
        self.assertEqual(len(result.boxes), 1, result.boxes)
        box = result.boxes[0]
        self.assertEqual(box.function, "MessageBoxA")
        self.assertEqual(box.caption, b"Application Error")
        self.assertEqual(box.style, 0x2010)
        self.assertRegex(box.text, rb"\AException EInOutError in module " + re.escape(TICKET.encode()) +
                         rb" at [0-9A-F]{8}\.\r\n" + re.escape(message.encode()) + rb"\r\n\Z")
        self.assertEqual(result.exit_code, 1)
        self.assertEqual(result.records_of("mstsc"), [], "the client must not be started")

    def test_file_that_cannot_be_written_ends_in_the_fatal_report(self):
        old = b"connection file the user keeps\r\n"

        def read_only(sandbox):
            sandbox.make_immutable(sandbox.put_on_desktop("ВЕЛСО 8.rdp", old))

        def held_by_another_program(sandbox):
            sandbox.hold_open(sandbox.put_on_desktop("ВЕЛСО 8.rdp", old))

        for prepare, message in [(read_only, "File access denied."), (held_by_another_program, "I/O error 32.")]:
            with self.subTest(prepare.__name__), Sandbox() as sandbox:
                prepare(sandbox)
                result = sandbox.run(sandbox.place_launcher(TICKET))
                sandbox.release_holders()

                self.assert_fatal_report(result, message)
                self.assertEqual(sandbox.desktop_files(), {"ВЕЛСО 8.rdp": old})

    def test_file_path_longer_than_259_characters_is_refused(self):
        # Folder lengths around the limit: "\ВЕЛСО 8.rdp" adds 12 characters.
        for folder_length, written in [(247, True), (248, False)]:
            with self.subTest(file_path_length=folder_length + 12), Sandbox() as sandbox:
                folder = "C:\\" + "d" * 120 + "\\"
                folder += "e" * (folder_length - len(folder))
                sandbox.set_desktop(folder)
                result = sandbox.run(sandbox.place_launcher(TICKET))

                if written:
                    self.assertEqual(result.exit_code, 0)
                    self.assertEqual(result.desktop, {"ВЕЛСО 8.rdp": fixture("velso8.rdp", A=host("A"))})
                    self.assertEqual(len(result.records_of("mstsc")), 1)
                else:
                    self.assert_fatal_report(result, "Invalid filename.")
                    self.assertEqual(result.desktop, {})

    def test_missing_programs_do_not_stop_the_run(self):
        for missing in ["mstsc", "cmdkey"]:
            with self.subTest(missing=missing), Sandbox([p for p in ("cmdkey", "mstsc") if p != missing]) as sandbox:
                result = sandbox.run(sandbox.place_launcher(TICKET))

                # Only the shell's own report of the failed start, none of ours.
                self.assertEqual(result.boxes, [])
                self.assertEqual(result.exit_code, 0)
                self.assertEqual(result.desktop, {"ВЕЛСО 8.rdp": fixture("velso8.rdp", A=host("A"))})
                self.assertEqual([r.program for r in result.records],
                                 {"mstsc": ["cmdkey", "cmdkey"], "cmdkey": ["mstsc"]}[missing])


if __name__ == "__main__":
    unittest.main()
