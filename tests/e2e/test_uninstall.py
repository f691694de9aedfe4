"""Removing an installed product: the confirmation, the previous
installation found through the registry, temporary copies queued for
deletion, the listed files and the folders they leave empty, the product's
uninstall entry and the completion message.

The main scenario runs on both systems (under Wine the message boxes are
real and the dialog robot answers them); the others run natively, where
each costs a fraction of a second."""

import os
import shutil

from lib import harness
from lib.harness import command, script
from lib.product import Product, boxes_shown, drive_c

CONFIRM = ("Uninstall...", "Are you sure you want to uninstall Tolvane Demo?")
DONE = ("Uninstaller...", "Tolvane Demo has been uninstalled!")
NOT_FOUND = ("Uninstall problem...",
             "Unable to find previous installation; files could not be removed.")

FILES = {
    "demo.exe": "program",
    "readme.txt": "Read me first.",
    "data\\sample.dat": "sample",
    "data\\deep\\more.dat": "more",
    "uninstall.exe": "the uninstaller",
    "setup.exe": "the installer",
}
LISTED = ["demo.exe", "readme.txt", "data\\sample.dat", "data\\deep\\more.dat"]


class UninstallTest(harness.ProgramTest):
    """A product named Tolvane Demo, removed again after each test."""

    product_name = "Demo"

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", self.product_name)

    def tearDown(self):
        self.product.remove()
        super().tearDown()

    def native_only(self):
        if not self.sandbox.native:
            self.skipTest("covered natively; the main scenario runs under Wine")

    def uninstall(self, answer="yes", extra_boxes=()):
        """Runs the packed program in place; returns (result, boxes shown)."""
        if self.sandbox.native:
            result = self.sandbox.run("-Spawn", "-debug", input=answer + "\n")
            return result, boxes_shown(result.stdout)
        button = "Yes" if answer == "yes" else "No"
        boxes = [(CONFIRM[0], button)] + list(extra_boxes)
        result = self.sandbox.run("-Spawn", "-debug", boxes=boxes)
        return result, [(caption, text) for (caption, _), text in zip(boxes, result.box_texts)]


class MainScenario(UninstallTest):

    def test_full_uninstall(self):
        self.needs_native_boxes()
        self.product.install(FILES)
        self.product.install({"data\\notes.txt": "the user's own notes"})
        self.product.record()
        self.product.add_uninstall_entry()
        self.sandbox.pack(self.product.script(files=LISTED, temp=["demo.exe"],
                                              install_name="setup.exe"))

        result, boxes = self.uninstall("yes", extra_boxes=[(DONE[0], "OK")])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM, DONE])

        # The temporary copy, queued for deletion at the next start. Wine
        # starts anew with the next program run in the prefix and deletes it then.
        copy = os.path.join(self.sandbox.temp_folder(), "demo.exe")
        with open(copy) as f:
            self.assertEqual(f.read(), "program")
        if self.sandbox.native:
            os.remove(copy)
            wininit = os.path.join(drive_c(self.sandbox), "windows", "wininit.ini")
            with open(wininit, "rb") as f:
                self.assertEqual(f.read(), b"[Rename]\r\nNUL=C:\\windows\\temp\\demo.exe\r\n")

        for relative in LISTED + ["uninstall.exe", "setup.exe", "data\\deep"]:
            self.assertFalse(self.product.exists(relative), relative)
        self.assertTrue(self.product.exists("data\\notes.txt"), "not the product's file")
        self.assertFalse(self.product.has_uninstall_entry())
        self.assertEqual(self.sandbox.regtool("get-string", "1", self.product.registry_path,
                                              "Install Path").stdout.strip(),
                         self.product.folder, "the user's key is left as it was")
        if not self.sandbox.native:
            self.assertFalse(os.path.exists(copy), "deleted when Wine started again")

        # The install name goes last, after the uninstall name.
        log = self.sandbox.log()
        deleted = [line for line in log.splitlines() if line.startswith("Delete file ")]
        expected = [self.product.folder + name for name in LISTED + ["uninstall.exe",
                                                                      "setup.exe"]]
        self.assertEqual(deleted, ["Delete file '%s'" % path for path in expected])
        self.assertIn("Deleting '%sdata\\deep\\'\n" % self.product.folder, log)
        self.assertNotIn("Deleting '%sdata\\'\n" % self.product.folder, log)


class Refusals(UninstallTest):
    """Runs that must not touch the product."""

    def setUp(self):
        super().setUp()
        self.native_only()
        self.product.install(FILES)
        self.product.add_uninstall_entry()

    def assert_untouched(self):
        for relative in FILES:
            self.assertTrue(self.product.exists(relative), relative)
        self.assertTrue(self.product.has_uninstall_entry())

    def test_declined_confirmation_touches_nothing_and_done_is_silent(self):
        self.product.record()
        self.sandbox.pack(self.product.script(files=LISTED, temp=["demo.exe"],
                                              install_name="setup.exe"))
        result, boxes = self.uninstall("no")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM])
        self.assert_untouched()
        self.assertNotIn("Delete file", self.sandbox.log())
        self.assertFalse(os.path.exists(os.path.join(self.sandbox.temp_folder(), "demo.exe")))

    def test_registry_path_without_its_key_removes_nothing(self):
        self.sandbox.pack(self.product.script(files=LISTED))
        result, boxes = self.uninstall("yes")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM, NOT_FOUND])
        self.assert_untouched()

    def test_damaged_registry_file_is_no_installation_and_stays_as_it_was(self):
        self.product.record()
        registry = os.path.join(self.sandbox.prefix, "registry.reg")
        with open(registry, "a") as f:
            f.write('"Broken=\n')
        with open(registry, "rb") as f:
            damaged = f.read()
        self.sandbox.pack(self.product.script(files=LISTED))

        result, boxes = self.uninstall("yes")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM, NOT_FOUND])
        self.assertIn("registry.reg", result.stderr)
        for relative in FILES:
            self.assertTrue(self.product.exists(relative), relative)
        with open(registry, "rb") as f:
            self.assertEqual(f.read(), damaged)


class Locations(UninstallTest):
    """Where the product is found, and how far its folders are pruned."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_without_registry_path_the_computed_folder_is_used(self):
        self.product.install(FILES)
        self.sandbox.pack(self.product.script(files=list(FILES), registry_path=False))
        result, boxes = self.uninstall("yes")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM, DONE])
        self.assertFalse(self.product.exists(), "the emptied product folder goes too")

    def test_recorded_path_wins_over_the_computed_one(self):
        self.product.install(FILES)
        elsewhere = Product(self.sandbox, "Tolvane", "Demo", folder="C:\\Tools\\Demo\\")
        elsewhere.install(FILES)
        self.product.record(elsewhere.folder)
        self.sandbox.pack(self.product.script(files=list(FILES)))
        result, _ = self.uninstall("yes")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(elsewhere.exists())
        for relative in FILES:
            self.assertTrue(self.product.exists(relative), relative)

    def remove_from(self, folder, files):
        """Installs the files at folder and uninstalls only.dat from there."""
        product = Product(self.sandbox, "Tolvane", "Demo", folder=folder)
        product.install(files)
        product.record()
        self.sandbox.pack(product.script(files=["only.dat"], uninstall_name=""))
        result, _ = self.uninstall("yes")
        self.assertEqual(result.returncode, 0, result.stderr)
        return product, self.sandbox.log()

    def test_nested_folders_are_pruned_up_to_the_drive_root(self):
        root = drive_c(self.sandbox)
        # A folder every machine has (natively made on the first write).
        os.makedirs(os.path.join(root, "windows"), exist_ok=True)
        _, log = self.remove_from("C:\\Nest\\a\\b\\c\\", {"only.dat": "x"})
        self.assertFalse(os.path.exists(os.path.join(root, "Nest")))
        self.assertTrue(os.path.isdir(os.path.join(root, "windows")))
        self.assertIn("Deleting 'C:\\Nest\\a\\b\\c\\'\n", log)
        self.assertIn("Deleting 'C:\\Nest\\'\n", log)
        self.assertNotIn("Deleting 'C:\\'", log)
        self.assertNotIn("Error opening", log)

    def test_a_folder_holding_anything_else_stays(self):
        product, log = self.remove_from("C:\\Kept\\a\\b\\",
                                        {"only.dat": "x", "..\\.hidden": "x",
                                         "..\\..\\sub\\x": "x"})
        self.assertFalse(product.exists("only.dat"))
        self.assertFalse(product.exists(), "the emptied folder goes")
        self.assertTrue(product.exists("..\\.hidden"), "a hidden file keeps its folder")
        self.assertNotIn("Deleting 'C:\\Kept\\a\\'", log)


class Components(UninstallTest):
    """"OLE" in the uninstall run, against a real component."""

    def test_register_verb_registers_then_unregisters_and_others_only_register(self):
        self.native_only()
        self.product.install(FILES)
        self.product.record()
        shutil.copy(os.path.join(self.sandbox.args.build_dir, "tests", "testcomponent.so"),
                    self.product.host("component.so"))
        calls = os.path.join(self.sandbox.folder, "calls.txt")
        self.sandbox.extra_environment["TESTCOMPONENT_LOG"] = calls
        self.sandbox.pack(self.product.script(files=LISTED, before_install=script(
            command("OLE", "REGISTER", "component.so"), command("OLE", "Refresh", "component.so"),
            command("OLE", "REGISTER", "missing.so"))))

        result, boxes = self.uninstall("no")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM], "a failing component stops nothing")
        with open(calls) as f:
            self.assertEqual(f.read().split(), ["DllRegisterServer", "DllUnregisterServer",
                                                "DllRegisterServer"])
        log = self.sandbox.log()
        self.assertIn("OLE: REGISTER '%scomponent.so'\n" % self.product.folder, log)
        self.assertIn("OLE: Refresh '%scomponent.so'\n" % self.product.folder, log)
        self.assertIn("Error attempting to load '%smissing.so' (0x" % self.product.folder, log)


if __name__ == "__main__":
    harness.main()
