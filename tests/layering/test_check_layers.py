"""The include rules catch each kind of breach, and pass the layered tree."""
import os
import tempfile
import unittest

import check_layers

# A tiny tree of the real layering; each case adds one file to it.
CLEAN = {
    "core/ticket.h": '#include <string>\n',
    "core/ticket.cpp": '#include "core/ticket.h"\n#include "core/catalogue_hosts.h"\n',
    "core/catalogue_hosts.h.in": '#define HOST "x"\n',
    "launcher/main.h": '#include "core/ticket.h"\n',
    "launcher/launcher_main.h": '#include <string>\n',
    "launcher/main.cpp": '#include "launcher/main.h"\n#include "platform/platform.h"\n',
    "platform/platform.h": '#include <cstdint>\n',
    "platform/win32/platform_win32.cpp": '#include <windows.h>\n#include "platform/platform.h"\n',
    "entry/winmain.cpp": '#include <windows.h>\n#include "launcher/launcher_main.h"\n#include "platform/platform.h"\n',
    "tools/mint/view.cpp": '#include <iostream>\n#include "core/ticket.h"\n',
}

# (what, files added, the file named in the one breach, what the breach says)
BREACHES = [
    ("core reaches up to the launcher", {"core/bad.cpp": '#include "launcher/main.h"\n'}, "core/bad.cpp",
     "outside what core/"),
    ("core reaches the platform", {"core/bad.cpp": '#include "platform/platform.h"\n'}, "core/bad.cpp",
     "outside what core/"),
    ("core includes a system header", {"core/bad.cpp": '#include <windows.h>\n'}, "core/bad.cpp",
     "not a C++ standard header"),
    ("launch logic includes Windows", {"launcher/bad.cpp": '#  include <windows.h>\n'}, "launcher/bad.cpp",
     "not a C++ standard header"),
    ("launch logic reaches into win32", {"launcher/bad.cpp": '#include "platform/win32/x.h"\n'}, "launcher/bad.cpp",
     "outside what launcher/"),
    ("platform reaches up", {"platform/win32/bad.cpp": '#include "launcher/main.h"\n'}, "platform/win32/bad.cpp",
     "outside what platform/"),
    ("entry reaches past the entry", {"entry/bad.cpp": '#include "launcher/main.h"\n'}, "entry/bad.cpp",
     "outside what entry/"),
    ("mint reaches the launch logic", {"tools/mint/bad.cpp": '#include "launcher/main.h"\n'}, "tools/mint/bad.cpp",
     "outside what tools/"),
    ("include circle", {"launcher/a.h": '#include "launcher/b.h"\n', "launcher/b.h": '#include "launcher/a.h"\n'},
     "launcher/a.h", "include circle: launcher/a.h -> launcher/b.h -> launcher/a.h"),
]


def make_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as out:
            out.write(text)


class CheckLayersTest(unittest.TestCase):
    def check(self, extra):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, dict(CLEAN, **extra))
            return check_layers.breaches(root)

    def test_layered_tree_passes(self):
        self.assertEqual(self.check({}), [])

    def test_each_breach_is_named_with_its_file_and_line(self):
        for what, files, path, message in BREACHES:
            with self.subTest(what):
                found = self.check(files)
                self.assertEqual(len(found), 1, found)
                self.assertTrue(found[0].startswith(path + ":"), found[0])
                self.assertIn(message, found[0])

    def test_the_real_tree_passes(self):
        root = os.path.join(os.path.dirname(__file__), "..", "..")
        self.assertEqual(check_layers.breaches(root), [])


if __name__ == "__main__":
    unittest.main()
