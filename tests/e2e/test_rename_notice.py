"""A copy whose file name is not a usable ticket asks the user not to rename
it, and does nothing else."""

import unittest

from harness import INFO_CAPTION, Sandbox, host, windows_text

RENAME_NOTICE = (windows_text("Пожалуйста не переименовывайте файл!") + b"\x0A\x0D" +
                 windows_text("Скачайте файл заново."))


class RenameNoticeTest(unittest.TestCase):

    def assert_rename_notice(self, result):
        self.assertEqual(len(result.boxes), 1, result.boxes)
        box = result.boxes[0]
        self.assertEqual(box.function, "MessageBoxExA")
        self.assertEqual(box.text, RENAME_NOTICE)
        self.assertEqual(box.caption, windows_text(INFO_CAPTION))
        self.assertEqual(box.style, 0x40)
        self.assertEqual(result.exit_code, 0)
        self.assertEqual(result.desktop, {})
        self.assertEqual(result.records, [])

    def test_unusable_names_show_the_notice_and_touch_nothing(self):
        cases = [
            ("renamed without any $", "launcher.exe", "apps"),
            ("third $ missing, so no password", "VELSO_8$ivanov$Secret1.exe", "apps"),
            ("product code in other letter case", "velso_8$ivanov$Secret1$.exe", "apps"),
            ("product code with a trailing space", "VELSO_8 $ivanov$Secret1$.exe", "apps"),
            ("empty product code", "$ivanov$Secret1$.exe", "apps"),
            ("empty user name", "VELSO_8$$Secret1$.exe", "apps"),
            # The folder holds a complete ticket; only the file's own name counts.
            ("broken name in a folder named like a ticket", "launcher.exe", "VELSO_8$ivanov$Secret1$"),
        ]
        for label, file_name, folder in cases:
            with self.subTest(label), Sandbox() as sandbox:
                self.assert_rename_notice(sandbox.run(sandbox.place_launcher(file_name, folder)))

    def test_characters_the_code_page_lacks_never_become_look_alikes(self):
        # Each name would read as a usable ticket, with other credentials than
        # the user's, if Windows turned these characters into look-alikes.
        cases = [
            ("fullwidth quotes and solidus would add a cmdkey switch", "VELSO_8$ivanov$a b＂ ／smartcard ＂c$.exe"),
            ("fullwidth dollar would split a field", "VELSO_8$ivanov＄x$Secret1$.exe"),
            ("fullwidth backslash would hide the name behind a folder", "x＼VELSO_8$ivanov$Secret1$.exe"),
            ("é in the password would store another one", "VELSO_8$ivanov$café1$.exe"),
            ("ł in the user name would store another one", "VELSO_8$Łukasz$Secret1$.exe"),
        ]
        with Sandbox() as sandbox:
            for label, file_name in cases:
                with self.subTest(label):
                    self.assert_rename_notice(sandbox.run(sandbox.place_launcher(file_name, label)))

    def test_dollar_in_a_folder_name_changes_nothing(self):
        # Parsing the whole path would take "...\a" as the product code here.
        with Sandbox() as sandbox:
            result = sandbox.run(sandbox.place_launcher("VELSO_8$ivanov$Secret1$.exe", "a$b$c$d"))
            self.assertEqual(result.boxes, [])
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(list(result.desktop), ["ВЕЛСО 8.rdp"])
            self.assertEqual([r.program for r in result.records], ["cmdkey", "cmdkey", "mstsc"])
            self.assertEqual(result.records[1].parameters,
                             f" /generic:termsrv/{host('A')} /user:ivanov /pass:Secret1".encode())


if __name__ == "__main__":
    unittest.main()
