"""Copies minted by the Windows build of launcher-mint, run under Wine, each do
their own catalogue row's job with their own credentials."""

import os
import unittest

from harness import Sandbox, fixture, host, setting, windows_text

# The launcher's catalogue, written out here independently of its code:
# row, product code, display name, alias, host, port.
CATALOGUE = [
    (1, "VELSO_8", "ВЕЛСО 8", "VELSO8", "A", "3395"),
    (2, "VELSO_8_Online", "ВЕЛСО 8 Онлайн", "VELSO8", "A", "3396"),
    (3, "VELSO_NRT", "ВЕЛСО НРТ 2016", "ВЕЛСО НРТ2016", "B", "3395"),
    (4, "VELSO_NRT_Online", "ВЕЛСО НРТ Онлайн", "ВЕЛСО НРТ2016", "C", "3396"),
    (5, "VELSO_LM", "ВЕЛСО ЛМ", "VELSO_LM", "D", "3395"),
    (6, "VELSO_LM_Free", "ВЕЛСО ЛМ Онлайн", "VELSO_LM", "E", "3396"),
    (7, "VELSO_LM_Online", "ВЕЛСО ЛМ Онлайн", "VELSO_LM", "E", "3397"),
    (8, "VELSO_LM_CP_Online", "ВЕЛСО ЛМ Онлайн", "VELSO_LM", "E", "3397"),
    (9, "VELSO_DOR_UA", "ВЕЛСО ДОР", "DOR_UA", "A", "3395"),
    (10, "VELSO_DOR_RK", "ВЕЛСО ДОР ЛМ", "DOR_RK", "D", "3395"),
    (11, "VELSO_DOR_RU", "ВЕЛСО ДОР РФ", "DOR_RU", "B", "3395"),
]

# Every row its own user, so a copy that carried another row's credentials
# shows; a few with what is easy to get wrong on the way through the roster.
USERS = {
    # row: (user, password, copy)
    2: ("smirnov", "Secret2", " (2)"),
    3: ("Петров", "Весна2024", ""),
    4: ("Сидорова", "Весна 2024", ""),
    8: ("kuznetsova", "r7#Tq !x", ""),
}


def roster_rows():
    for row, code, *_ in CATALOGUE:
        user, password, copy = USERS.get(row, (f"user{row}", f"Pass{row}", ""))
        yield row, code, user, password, copy


def rdp_lines(data):
    lines = data.split(b"\r\n")
    return lines[:-1] if lines[-1] == b"" else lines + [b"<no CR LF at the end>"]


class MintRoundTripTest(unittest.TestCase):

    def test_every_minted_copy_runs_its_own_catalogue_row(self):
        with Sandbox() as sandbox:
            roster = os.path.join(sandbox.root, "users.csv")
            with open(roster, "w", encoding="utf-8", newline="") as f:
                f.write("product,user,password,copy\r\n")
                for _, code, user, password, copy in roster_rows():
                    f.write(f"{code},{user},{password},{copy}\r\n")
            minted = os.path.join(sandbox.root, "minted")

            done = sandbox.run_program(setting("LAUNCHER_MINT_EXE"), [
                "--launcher", sandbox.windows_path(setting("LAUNCHER_EXE")),
                "--roster", sandbox.windows_path(roster),
                "--out", sandbox.windows_path(minted)])

            self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
            names = {row: f"{code}${user}${password}${copy}.exe" for row, code, user, password, copy in roster_rows()}
            self.assertEqual(sorted(os.listdir(minted)), sorted(names.values()))
            with open(setting("LAUNCHER_EXE"), "rb") as f:
                launcher = f.read()

            for (row, code, display, alias, letter, port), (_, _, user, password, _) in zip(CATALOGUE, roster_rows()):
                with self.subTest(row=row, copy=names[row]):
                    copy = os.path.join(minted, names[row])
                    with open(copy, "rb") as f:
                        self.assertEqual(f.read(), launcher, "a copy must be the launcher byte for byte")
                    sandbox.clear_run_traces()

                    result = sandbox.run(copy)

                    self.assertEqual(result.exit_code, 0)
                    self.assertEqual(result.boxes, [])
                    companion = ["MSProject Online.rdp"] if row == 8 else []
                    self.assertEqual(sorted(result.desktop), sorted([display + ".rdp"] + companion))
                    lines = rdp_lines(result.desktop[display + ".rdp"])
                    self.assertEqual(len(lines), 56)
                    self.assertEqual([lines[i - 1] for i in (14, 21, 22, 23, 25)], [
                        b"server port:i:" + port.encode(),
                        b"full address:s:" + host(letter).encode(),
                        b"alternate shell:s:||" + windows_text(alias),
                        b"remoteapplicationprogram:s:||" + windows_text(alias),
                        b"remoteapplicationname:s:" + windows_text(alias),
                    ])
                    if companion:
                        self.assertEqual(result.desktop["MSProject Online.rdp"],
                                         fixture("msproject-online.rdp", E=host("E")))

                    self.assertEqual([r.program for r in result.records], ["cmdkey", "cmdkey", "mstsc"])
                    delete, store, client = result.records
                    self.assertEqual(delete.parameters, f" /delete:termsrv/{host(letter)}".encode())
                    self.assertEqual(store.arguments, [f"/generic:termsrv/{host(letter)}".encode(),
                                                       windows_text("/user:" + user),
                                                       windows_text("/pass:" + password)])
                    self.assertEqual(client.parameters, sandbox.client_parameter(display))


if __name__ == "__main__":
    unittest.main()
