"""A registry file exported by Wine's own registry editor (version 5,
UTF-16LE) as the native program's registry: the product recorded there with
a non-ASCII install path is removed, and the change is written back as
REGEDIT4 with one log line saying so."""

import os
import subprocess

from lib import harness
from lib.product import Product

TESTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GREETING = "Gr\u00fc\u00dfe \u20ac"
FOLDER = "C:\\Program Files\\Tolvane D\u00e9mo\\"
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvane Demo"


class RegeditExportTest(harness.ProgramTest):
    def wine(self, *arguments):
        prefix = os.path.join(harness.ARGS.build_dir, "e2e-regedit-wineprefix")
        env = dict(os.environ, WINEPREFIX=prefix, WINEDLLOVERRIDES="mscoree,mshtml=",
                   WINEDEBUG="-all", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        env.pop("DISPLAY", None)
        subprocess.run([os.path.join(TESTS, "wine", "make-prefix.sh"), prefix],
                       env=env, check=True, timeout=600)
        result = subprocess.run(["wine", *arguments], env=env, capture_output=True,
                                cwd=self.sandbox.folder, timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))

    def export(self):
        """The product's keys as Wine's regedit exports them, one file."""
        user = "HKCU\\Software\\Tolvane\\Demo"
        machine = "HKLM\\" + UNINSTALL_KEY
        self.wine("reg", "add", user, "/v", "Install Path", "/d", FOLDER, "/f")
        self.wine("reg", "add", user, "/v", "Greeting", "/t", "REG_EXPAND_SZ", "/d",
                  "%TEMP%\\" + GREETING, "/f")
        self.wine("reg", "add", user, "/v", "Lines", "/t", "REG_MULTI_SZ", "/d",
                  "eins\\0zw\u00f6lf", "/f")
        self.wine("reg", "add", machine, "/v", "UninstallString", "/d",
                  FOLDER + "uninstall.exe", "/f")
        texts = []
        for name, key in (("user.reg", "HKEY_CURRENT_USER\\Software\\Tolvane\\Demo"),
                          ("machine.reg", "HKEY_LOCAL_MACHINE\\" + UNINSTALL_KEY)):
            self.wine("regedit", "/E", name, key)
            with open(os.path.join(self.sandbox.folder, name), "rb") as f:
                data = f.read()
            self.assertEqual(data[:2], b"\xff\xfe", "regedit exports UTF-16LE with its mark")
            texts.append(data[2:].decode("utf-16-le"))
        header = "Windows Registry Editor Version 5.00"
        self.assertTrue(texts[0].startswith(header))
        # Both exports in one file: the second without its header line.
        merged = texts[0] + texts[1].replace(header, "", 1)
        return b"\xff\xfe" + merged.encode("utf-16-le")

    def test_an_exported_registry_is_read_and_rewritten_as_regedit4(self):
        if not self.sandbox.native:
            self.skipTest("the registry file is the native build's")
        exported = self.export()
        os.makedirs(self.sandbox.prefix, exist_ok=True)
        registry = os.path.join(self.sandbox.prefix, "registry.reg")
        with open(registry, "wb") as f:
            f.write(exported)

        product = Product(self.sandbox, "Tolvane", "Demo", folder=FOLDER)
        product.install({"demo.exe": "program", "data\\sample.dat": "data"})
        self.sandbox.pack(product.script(files=["demo.exe", "data\\sample.dat"]))
        result = self.sandbox.run("-Spawn", "-debug", input="yes\n")
        self.assertEqual(result.returncode, 0, result.stderr)

        self.assertFalse(product.exists("demo.exe"), "found through the exported install path")
        self.assertFalse(product.exists("data\\sample.dat"))
        self.assertFalse(product.has_uninstall_entry())
        with open(registry, "rb") as f:
            rewritten = f.read().decode("utf-8")
        self.assertTrue(rewritten.startswith("REGEDIT4\n"))
        self.assertIn('"Install Path"="%s"' % FOLDER.replace("\\", "\\\\"), rewritten)
        expand = ("%TEMP%\\" + GREETING).encode("utf-8") + b"\0"
        self.assertIn('"Greeting"=hex(2):' + ",".join("%02x" % b for b in expand), rewritten)
        lines = "eins\0zw\u00f6lf\0\0".encode("utf-8")
        self.assertIn('"Lines"=hex(7):' + ",".join("%02x" % b for b in lines), rewritten)
        notice = ('Registry file %s was in the format "Windows Registry Editor Version 5.00 '
                  'in UTF-16LE"; it is now written as REGEDIT4' % registry)
        self.assertEqual(self.sandbox.log().count(notice), 1, self.sandbox.log())


if __name__ == "__main__":
    harness.main()
