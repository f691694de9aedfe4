"""The include check on small trees: what it must refuse, naming the file
and line, and what it must let through."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "check-layers")


def run_check(files):
    """Writes `files` (path: text) into a fresh tree and checks it."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as out:
                out.write(text)
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return done.returncode, done.stdout


class CheckLayers(unittest.TestCase):
    def test_refusals_name_file_and_line(self):
        cases = [
            # (file, its text, the fault's start or None when it passes)
            ("src/system/a.cpp", '#include "base/core.h"\n#include "platform/platform.h"\n', None),
            ("src/system/a.cpp", '// one\n#include "ui/ui.h"\n',
             "src/system/a.cpp:2: 'system' may not include 'ui/'"),
            ("src/net/a.cpp", '#include "ui/ui.h"\n',
             "src/net/a.cpp:1: 'net' may not include 'ui/'"),
            ("src/ui/a.cpp", '#include "net/http.h"\n',
             "src/ui/a.cpp:1: 'ui' may not include 'net/'"),
            ("src/update/a.cpp", '#include "register/form.h"\n',
             "src/update/a.cpp:1: 'update' may not include 'register/'"),
            ("src/platform/posix/a.cpp", '#include "base/core.h"\n',
             "src/platform/posix/a.cpp:1: 'platform' may not include 'base/'"),
            ("src/keywords/a.cpp", '#include "update/update.h"\n#include "base/core.h"\n', None),
            ("src/app/a.cpp", '#include "keywords/keywords.h"\n#include "platform/platform.h"\n',
             None),
            ("src/script/a.cpp", '#if defined(_WIN32)\n#endif\n',
             "src/script/a.cpp:1: a system test outside src/platform"),
            ("src/platform/win32/a.cpp", '#ifdef _WIN32\n#endif\n', None),
            ("src/widgets/a.cpp", '\n',
             "src/widgets/a.cpp: folder 'widgets' has no place in the layers"),
            ("tests/unit/system/t.cpp", '#include "ui/ui.h"\n',
             "tests/unit/system/t.cpp:1: 'system' may not include 'ui/'"),
            ("tools/common/a.cpp", '#include "keywords/keywords.h"\n',
             "tools/common/a.cpp:1: 'common' may not include 'keywords/'"),
        ]
        for path, text, fault in cases:
            with self.subTest(path=path, text=text):
                status, output = run_check({path: text})
                if fault is None:
                    self.assertEqual((status, output), (0, ""))
                else:
                    self.assertEqual(status, 1)
                    self.assertTrue(output.startswith(fault), output)


if __name__ == "__main__":
    unittest.main()
