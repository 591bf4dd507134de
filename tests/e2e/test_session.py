"""A correctly named copy does the whole job: credentials, connection file,
the client on that file, and the companion file once the client has ended."""

import os
import unittest

from harness import Sandbox, fixture, host, windows_text


def file_line(data, number):
    return data.split(b"\r\n")[number - 1]


class CompleteRunTest(unittest.TestCase):

    def test_row_1_stores_credentials_writes_the_file_and_starts_the_client(self):
        # A file of the same name from an earlier run, longer than the new one,
        # must be replaced completely.
        earlier = {"fresh desktop": None, "longer file from an earlier run": b"x" * 3000 + b"\r\n"}
        for label, old in earlier.items():
            with self.subTest(label), Sandbox() as sandbox:
                if old is not None:
                    sandbox.put_on_desktop("ВЕЛСО 8.rdp", old)
                result = sandbox.run(sandbox.place_launcher("VELSO_8$ivanov$Secret1$.exe"))

                self.assertEqual(result.boxes, [])
                self.assertEqual(result.exit_code, 0)
                self.assertEqual(result.desktop, {"ВЕЛСО 8.rdp": fixture("velso8.rdp", A=host("A"))})
                self.assertEqual([r.program for r in result.records], ["cmdkey", "cmdkey", "mstsc"])
                self.assertEqual([r.parameters for r in result.records[:2]], [
                    f" /delete:termsrv/{host('A')}".encode(),
                    f" /generic:termsrv/{host('A')} /user:ivanov /pass:Secret1".encode(),
                ])
                client = result.records[2]
                self.assertEqual(client.parameters, sandbox.client_parameter("ВЕЛСО 8"))
                self.assertEqual(client.arguments, [windows_text(sandbox.desktop_windows + "\\ВЕЛСО 8.rdp")])

    def test_companion_file_is_written_only_after_the_client_has_ended(self):
        def look_at_desktop(sandbox, launcher_running):
            return launcher_running, sandbox.desktop_files()

        cases = [
            # product code, files after the run
            ("VELSO_LM_CP_Online", ["MSProject Online.rdp", "ВЕЛСО ЛМ Онлайн.rdp"]),
            ("VELSO_LM_Online", ["ВЕЛСО ЛМ Онлайн.rdp"]),
        ]
        for code, files_after in cases:
            with self.subTest(code), Sandbox() as sandbox:
                result = sandbox.run(sandbox.place_launcher(f"{code}$ivanov$Secret1$.exe"),
                                     while_client_runs=look_at_desktop)

                launcher_running, desktop_during = result.while_running
                self.assertTrue(launcher_running, "the launcher must wait for the client")
                self.assertEqual(list(desktop_during), ["ВЕЛСО ЛМ Онлайн.rdp"])
                self.assertEqual(sorted(result.desktop), files_after)
                self.assertEqual(result.exit_code, 0)
                self.assertEqual(result.boxes, [])
                main_file = result.desktop["ВЕЛСО ЛМ Онлайн.rdp"]
                self.assertEqual(file_line(main_file, 14), b"server port:i:3397")
                self.assertEqual(file_line(main_file, 21), f"full address:s:{host('E')}".encode())
                self.assertEqual([r.program for r in result.records], ["cmdkey", "cmdkey", "mstsc"])
                self.assertEqual(result.records[2].parameters, sandbox.client_parameter("ВЕЛСО ЛМ Онлайн"))
                if "MSProject Online.rdp" in files_after:
                    self.assertEqual(result.desktop["MSProject Online.rdp"],
                                     fixture("msproject-online.rdp", E=host("E")))

    def test_desktop_path_with_spaces_reaches_the_client_intact(self):
        with Sandbox() as sandbox:
            sandbox.set_desktop("C:\\users\\Иван Петров\\Рабочий стол")
            result = sandbox.run(sandbox.place_launcher("VELSO_8$ivanov$Secret1$.exe"))

            self.assertEqual(result.exit_code, 0)
            self.assertEqual(list(result.desktop), ["ВЕЛСО 8.rdp"])
            client = result.records_of("mstsc")
            self.assertEqual(len(client), 1)
            self.assertEqual(client[0].parameters,
                             windows_text('"C:\\users\\Иван Петров\\Рабочий стол\\ВЕЛСО 8.rdp"'))
            self.assertEqual(client[0].arguments, [windows_text("C:\\users\\Иван Петров\\Рабочий стол\\ВЕЛСО 8.rdp")])


class DesktopOutsideTheCodePageTest(unittest.TestCase):

    def test_the_file_lands_on_the_real_desktop_and_the_client_finds_it(self):
        # A Kazakh user name, and OneDrive's folder named after a French company.
        desktops = [r"C:\users\Әлия\Desktop", r"C:\users\user\OneDrive - Société Générale\Desktop"]
        for desktop in desktops:
            with self.subTest(desktop), Sandbox() as sandbox:
                sandbox.set_desktop(desktop)
                result = sandbox.run(sandbox.place_launcher("VELSO_8$ivanov$Secret1$.exe"))

                self.assertEqual(result.exit_code, 0)
                self.assertEqual(result.boxes, [])
                self.assertEqual(result.desktop, {"ВЕЛСО 8.rdp": fixture("velso8.rdp", A=host("A"))})
                self.assertEqual([r.program for r in result.records], ["cmdkey", "cmdkey", "mstsc"])
                # One quoted path, in the code page, that leads to that very file.
                client = result.records[2]
                self.assertEqual(len(client.arguments), 1)
                self.assertEqual(client.parameters, b'"' + client.arguments[0] + b'"')
                found = sandbox.unix_file(client.arguments[0])
                self.assertIsNotNone(found, client.arguments[0])
                self.assertTrue(os.path.samefile(found, sandbox.unix_path(desktop + "\\ВЕЛСО 8.rdp")))


if __name__ == "__main__":
    unittest.main()
