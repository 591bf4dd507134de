"""The Windows build of launcher-mint replacing copies with --force under Wine:
what Windows refuses (deleting a read-only file, moving one another program
holds open, two names that differ only in letter case) must end in an error
with the folder as it was, never in "success" with an old copy left behind.
And Ctrl+C while it writes leaves no working copy behind."""

import os
import signal
import stat
import subprocess
import time
import unittest

from harness import RUN_TIMEOUT, Sandbox, setting, shared_display, wine_command, wine_environment

ROSTER = "product,user,password\r\nVELSO_8,ivanov,Spring24\r\nVELSO_NRT,petrov,Secret1\r\n"
NAMES = ["VELSO_8$ivanov$Spring24$.exe", "VELSO_NRT$petrov$Secret1$.exe"]
OLD = b"MZ old copy"


class MintReplaceTest(unittest.TestCase):

    def setUp(self):
        self.sandbox = Sandbox(standins=())
        self.addCleanup(self.sandbox.close)
        self.roster = os.path.join(self.sandbox.root, "users.csv")
        with open(self.roster, "w", encoding="utf-8", newline="") as f:
            f.write(ROSTER)
        self.out = os.path.join(self.sandbox.root, "copies")
        os.mkdir(self.out)
        self.old = os.path.join(self.out, NAMES[0])
        with open(self.old, "wb") as f:
            f.write(OLD)
        with open(setting("LAUNCHER_EXE"), "rb") as f:
            self.launcher = f.read()

    def mint(self):
        done = self.sandbox.run_program(setting("LAUNCHER_MINT_EXE"), [
            "--launcher", self.sandbox.windows_path(setting("LAUNCHER_EXE")),
            "--roster", self.sandbox.windows_path(self.roster),
            "--out", self.sandbox.windows_path(self.out), "--force"])
        # Strictly UTF-8: the system's reasons come in the ANSI code page unless
        # converted, and would show garbled on the console.
        return done.returncode, done.stderr.decode("utf-8").replace("\r\n", "\n")

    def assert_folder_as_before(self, name=NAMES[0]):
        self.assertEqual(os.listdir(self.out), [name])
        with open(os.path.join(self.out, name), "rb") as f:
            self.assertEqual(f.read(), OLD)

    def assert_replaced(self):
        self.assertEqual(sorted(os.listdir(self.out)), sorted(NAMES))
        for name in NAMES:
            with open(os.path.join(self.out, name), "rb") as f:
                self.assertEqual(f.read(), self.launcher, name)

    def test_read_only_copy_is_refused_before_anything_is_written(self):
        # Wine shows a file without write bits as read-only, and then refuses
        # to delete it, as Windows does, even for root.
        os.chmod(self.old, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)

        code, err = self.mint()

        self.assertEqual(code, 1, err)
        self.assertIn(NAMES[0] + '" is read-only; --force does not replace a read-only copy', err)
        self.assertTrue(err.endswith("launcher-mint: nothing written\n"), err)
        self.assert_folder_as_before()

        os.chmod(self.old, stat.S_IRUSR | stat.S_IWUSR)
        code, err = self.mint()
        self.assertEqual(code, 0, err)
        self.assert_replaced()

    def test_copy_held_open_elsewhere_stops_the_run_and_everything_is_undone(self):
        self.sandbox.hold_open(self.old)
        try:
            code, err = self.mint()
        finally:
            self.sandbox.release_holders()

        self.assertEqual(code, 1, err)
        self.assertIn("launcher-mint: cannot move ", err)
        self.assertTrue(err.endswith("launcher-mint: nothing written\n"), err)
        self.assert_folder_as_before()

    def test_name_differing_only_in_letter_case_is_refused(self):
        twin = "VELSO_8$ivanov$spring24$.exe"
        os.rename(self.old, os.path.join(self.out, twin))

        code, err = self.mint()

        self.assertEqual(code, 1, err)
        self.assertIn(NAMES[0] + '" differs only in letter case from ', err)
        self.assert_folder_as_before(twin)


class MintInterruptTest(unittest.TestCase):

    def test_ctrl_c_while_writing_removes_every_working_copy(self):
        with Sandbox(standins=()) as sandbox:
            roster = os.path.join(sandbox.root, "users.csv")
            with open(roster, "w", encoding="utf-8", newline="") as f:
                f.write("product,user,password\r\n")
                f.writelines(f"VELSO_8,user{i},Pass{i}\r\n" for i in range(3000))
            out = os.path.join(sandbox.root, "copies")
            process = subprocess.Popen(
                [*wine_command(setting("LAUNCHER_MINT_EXE")),
                 "--launcher", sandbox.windows_path(setting("LAUNCHER_EXE")), "--roster", sandbox.windows_path(roster), "--out", sandbox.windows_path(out)],
                env=wine_environment(sandbox.home, sandbox.prefix, shared_display().name),
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            try:
                first = os.path.join(out, ".launcher-mint-0", "new", "VELSO_8$user0$Pass0$.exe")
                deadline = time.monotonic() + RUN_TIMEOUT
                while not os.path.exists(first) and process.poll() is None and time.monotonic() < deadline:
                    time.sleep(0.001)
                self.assertIsNone(process.poll(), "the run ended before it could be caught")
                # Wine hands SIGINT to the console program as Ctrl+C.
                process.send_signal(signal.SIGINT)
                stdout, stderr = process.communicate(timeout=RUN_TIMEOUT)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.communicate()

            self.assertEqual(process.returncode, 130, stderr)
            self.assertEqual(stderr.decode("utf-8").replace("\r\n", "\n"),
                             "launcher-mint: interrupted; nothing written\n")
            self.assertEqual(stdout, b"")
            self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
