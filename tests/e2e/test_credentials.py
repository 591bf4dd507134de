"""The ticket's credentials reach cmdkey as whole values, or are shown to the
user on Windows older than major version 6."""

import unittest

from harness import INFO_CAPTION, Sandbox, host, windows_text


class CredentialsTest(unittest.TestCase):

    def test_values_with_spaces_reach_cmdkey_as_one_argument_each(self):
        cases = [
            # user name, password
            ("ivanov", "Secret 1"),
            ("Иван Петров", "Пароль с пробелами"),
        ]
        for user, password in cases:
            with self.subTest(user=user, password=password), Sandbox() as sandbox:
                result = sandbox.run(sandbox.place_launcher(f"VELSO_8${user}${password}$.exe"))

                self.assertEqual(result.exit_code, 0)
                store = result.records_of("cmdkey")[1]
                self.assertEqual(store.arguments, [
                    f"/generic:termsrv/{host('A')}".encode(),
                    windows_text("/user:" + user),
                    windows_text("/pass:" + password),
                ])

    def test_windows_5_shows_the_credentials_and_runs_no_cmdkey(self):
        with Sandbox() as sandbox:
            sandbox.set_windows_version("winxp64")
            result = sandbox.run(sandbox.place_launcher("VELSO_8$Иванов$Secret1$.exe"))

            self.assertEqual(len(result.boxes), 1, result.boxes)
            box = result.boxes[0]
            self.assertEqual(box.function, "MessageBoxExA")
            self.assertEqual(box.text, windows_text("Для подключения используйте имя пользователя - Иванов"
                                                    " и пароль Secret1"))
            self.assertEqual(box.caption, windows_text(INFO_CAPTION))
            self.assertEqual(box.style, 0x40)
            self.assertEqual([r.program for r in result.records], ["mstsc"])
            self.assertEqual(result.records[0].parameters, sandbox.client_parameter("ВЕЛСО 8"))
            self.assertEqual(list(result.desktop), ["ВЕЛСО 8.rdp"])
            self.assertEqual(result.exit_code, 0)


if __name__ == "__main__":
    unittest.main()
