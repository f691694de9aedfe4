"""Names outside the system's code page, and paths past 260 characters:
a product recorded under a Cyrillic, CJK or emoji folder is removed with
its deep files, and a script stored in code page 1251 names its files and
Start-menu group in Cyrillic. Both systems read the same script as the
same names; under Wine every name goes through the wide calls."""

import os
import re
import subprocess

from lib import harness
from lib.harness import command, script
from lib.product import Product, add_shortcut, boxes_shown, drive_c, programs_folder

# Long folder names: the deep file's path passes 260 characters.
DEEP = "data\\" + "x" * 120 + "\\" + "y" * 120 + "\\deep.txt"
FILES = {"demo.exe": "program", "data\\sample.dat": "sample", DEEP: "deep"}
FOLDERS = ["Продукт", "製品", "Prod🚀"]


def utf8_as_read(text):
    """What the harness reads of UTF-8 output: it decodes as latin-1."""
    return text.encode("utf-8").decode("latin-1")


class UnicodeNames(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        # Wine reads the command line of a Unix process in its locale.
        self.sandbox.extra_environment["LC_ALL"] = "C.UTF-8"
        self.products = []

    def tearDown(self):
        for product in self.products:
            product.remove()
        super().tearDown()

    def product(self, folder):
        product = Product(self.sandbox, "Tolvane", "Demo",
                          folder="C:\\Program Files\\%s\\" % folder)
        self.products.append(product)
        return product

    def uninstall(self, product, *switches):
        confirm = ("Uninstall...", "Are you sure you want to uninstall Tolvane Demo?")
        done = ("Uninstaller...", "Tolvane Demo has been uninstalled!")
        if self.sandbox.native:
            result = self.sandbox.run("-Spawn", "-debug", *switches, input="yes\n")
            return result, boxes_shown(result.stdout)
        boxes = [(confirm[0], "Yes"), (done[0], "OK")]
        result = self.sandbox.run("-Spawn", "-debug", *switches, boxes=boxes)
        return result, [(caption, text) for (caption, _), text in zip(boxes, result.box_texts)]

    def test_recorded_install_paths_outside_the_code_page(self):
        self.needs_native_boxes()
        for folder in FOLDERS:
            with self.subTest(folder=folder):
                product = self.product(folder)
                product.install(FILES)
                product.record()
                self.sandbox.pack(product.script(files=list(FILES), uninstall_name=""))

                plan = self.sandbox.run("-Plan")
                self.assertEqual(plan.returncode, 0, plan.stderr)
                self.assertIn(utf8_as_read("delete file %s%s" % (product.folder, DEEP)),
                              plan.stdout)
                self.assertTrue(product.exists(DEEP), "a plan changes nothing")

                result, boxes = self.uninstall(product)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(boxes[-1][1], "Tolvane Demo has been uninstalled!")
                for relative in FILES:
                    self.assertFalse(product.exists(relative), relative)
                self.assertFalse(product.exists(), "the emptied folder goes too")

    def test_script_in_code_page_1251_names_files_and_group_in_cyrillic(self):
        self.needs_native_boxes()
        product = self.product("Продукт")
        product.install({"файл.txt": "file", "readme.txt": "read me"})
        product.record()
        group = "Продукт"
        shortcut = add_shortcut(self.sandbox, group, "Ярлык")
        stored = lambda text: text.encode("cp1251")
        self.sandbox.pack(script(
            command("CODE PAGE", "1251"),
            product.settings(),
            command("FILE LIST", stored("файл.txt,readme.txt")),
            command("CREATE GROUP", stored(group)),
            command("ADD ITEM", b"0", b"$3x.exe", b"", stored("Ярлык")),
            command("INSTALL"), command("DONE", "")))

        result, boxes = self.uninstall(product)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(product.exists("файл.txt"))
        self.assertFalse(product.exists(), "the emptied folder goes too")
        self.assertFalse(os.path.exists(shortcut), "the Cyrillic shortcut")
        self.assertFalse(os.path.exists(os.path.join(programs_folder(self.sandbox), group)))
        self.assertIn(utf8_as_read("Delete file '%sфайл.txt'" % product.folder),
                      self.sandbox.log())

    def test_temporary_folder_of_a_user_outside_the_code_page(self):
        """The relocated copy runs from a temporary folder named after a
        user Пользователь (Wine: the user's TEMP and TMP in the registry)."""
        if self.sandbox.native:
            self.skipTest("the stand-ins' temporary folder is the prefix's own")
        temp = "C:\\users\\Пользователь\\Temp"
        host_temp = os.path.join(drive_c(self.sandbox), "users", "Пользователь", "Temp")
        os.makedirs(host_temp, exist_ok=True)
        saved = {name: self.environment_value(name) for name in ("TEMP", "TMP")}
        try:
            for name in saved:
                self.reg("add", "HKCU\\Environment", "/v", name, "/t", "REG_SZ", "/d", temp, "/f")
            product = self.product("Prod🚀")
            product.install(FILES)
            product.record()
            self.sandbox.pack(product.script(files=list(FILES), uninstall_name=""))
            result = self.sandbox.run("-Silent", "-debug")
            self.assertEqual(result.returncode, 0, result.stderr)
            for relative in FILES:
                self.assertFalse(product.exists(relative), relative)
            # The relocated copy worked there: its log lies beside it.
            self.assertTrue(os.path.exists(os.path.join(host_temp, "debug.log")))
        finally:
            for name, (kind, value) in saved.items():
                self.reg("add", "HKCU\\Environment", "/v", name, "/t", kind, "/d", value, "/f")

    def reg(self, *arguments):
        return subprocess.run(["wine", "reg", *arguments], env=self.sandbox.environment(),
                              capture_output=True, timeout=120, check=True)

    def environment_value(self, name):
        out = self.reg("query", "HKCU\\Environment", "/v", name).stdout.decode("utf-8", "replace")
        match = re.search(r"^\s*%s\s+(REG_\w+)\s+(.*?)\s*$" % name, out, re.M)
        return match.group(1), match.group(2)


if __name__ == "__main__":
    harness.main()
