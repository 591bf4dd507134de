"""Programs and DLLs planted where the copy runs (Downloads, the working
folder) never run: the password goes only to the system's own cmdkey."""

import ntpath
import os
import unittest

from harness import Sandbox, host, setting, standin_path

# DLLs Windows searches for beside an exe first, unless the exe restricts the
# search: pulled in by shell32, user32 and what they load.
PLANTED_DLLS = ("shcore", "version", "uxtheme", "dwmapi", "cryptbase", "propsys", "windowscodecs", "profapi",
                "userenv", "imm32", "ole32", "combase", "rpcrt4")

TICKET = "VELSO_8$ivanov$Secret1$.exe"


def ran_from(record):
    """The folder of the file that ran, lower case, as Windows names it."""
    return ntpath.dirname(record.image.decode("cp1251")).lower()


class PlantedProgramsTest(unittest.TestCase):

    def assert_a_normal_run_by_the_system_tools(self, result):
        self.assertEqual(result.exit_code, 0)
        self.assertEqual(result.boxes, [])
        self.assertEqual(list(result.desktop), ["ВЕЛСО 8.rdp"])
        self.assertEqual([r.program for r in result.records], ["cmdkey", "cmdkey", "mstsc"])
        self.assertEqual(result.records[1].parameters,
                         f" /generic:termsrv/{host('A')} /user:ivanov /pass:Secret1".encode())
        for record in result.records:
            self.assertRegex(ran_from(record), r"^c:\\windows\\(system32|syswow64)$", record)

    def planted_folder(self, sandbox, launcher, where):
        if where == "the copy's folder":
            return os.path.dirname(launcher)
        return os.path.join(sandbox.root, "work")

    def test_cmdkey_and_mstsc_planted_beside_the_copy_or_as_working_folder_never_run(self):
        for where in ("the copy's folder", "the working folder"):
            with self.subTest(where), Sandbox() as sandbox:
                launcher = sandbox.place_launcher(TICKET, folder="Downloads")
                folder = self.planted_folder(sandbox, launcher, where)
                for tool in ("cmdkey", "mstsc"):
                    sandbox.plant(folder, tool + ".exe", source=standin_path(tool))

                result = sandbox.run(launcher, cwd=folder)

                self.assert_a_normal_run_by_the_system_tools(result)

    def test_dlls_planted_beside_the_copy_or_in_the_working_folder_are_never_loaded(self):
        planted = os.path.join(setting("STANDIN_DIR"), "planted.dll")
        for where in ("the copy's folder", "the working folder"):
            with self.subTest(where), Sandbox() as sandbox:
                launcher = sandbox.place_launcher(TICKET, folder="Downloads")
                folder = self.planted_folder(sandbox, launcher, where)
                for name in PLANTED_DLLS:
                    sandbox.plant(folder, name + ".dll", source=planted)

                result = sandbox.run(launcher, cwd=folder)

                self.assertEqual(sorted(n for n in os.listdir(folder) if n.endswith(".loaded")), [])
                self.assert_a_normal_run_by_the_system_tools(result)


if __name__ == "__main__":
    unittest.main()
