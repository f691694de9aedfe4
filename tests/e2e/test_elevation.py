"""Elevation where it is needed (Windows program, under Wine). Wine gives
every program an administrator's full token, so the program's test hook
UNINSTALL_TEST_STANDARD_TOKEN makes the first process see what a standard
token under UAC sees (the product's folder refused); the copy it starts
through the shell's "runas" verb runs with the real token and removes the
product. With the hook set to "decline" the consent is refused."""

import re

from lib import harness
from lib.product import Product, boxes_shown

CONFIRM = ("Uninstall...", "Are you sure you want to uninstall Tolvane Elevated?")
DONE = ("Uninstaller...", "Tolvane Elevated has been uninstalled!")
DECLINED = ("Uninstall problem...", "Administrator rights are needed to remove Tolvane Elevated; "
            "nothing has been removed.")
FILES = {"elevated.exe": "program", "data\\sample.dat": "sample", "uninstall.exe": "uninstaller"}
LISTED = ["elevated.exe", "data\\sample.dat"]


class ElevationTest(harness.ProgramTest):
    """An installed product for every user, with its uninstall entry."""

    wine_only = False

    def setUp(self):
        super().setUp()
        if self.sandbox.native and self.wine_only:
            self.skipTest("no consent to ask for natively: the decision table covers it")
        self.needs_native_boxes()
        self.product = Product(self.sandbox, "Tolvane", "Elevated")
        self.product.install(FILES)
        self.product.record()
        self.product.add_uninstall_entry()
        self.sandbox.pack(self.product.script(files=LISTED))

    def tearDown(self):
        self.product.remove()
        super().tearDown()


class Elevation(ElevationTest):

    wine_only = True

    def uninstall(self, hook, boxes):
        self.sandbox.extra_environment["UNINSTALL_TEST_STANDARD_TOKEN"] = hook
        result = self.sandbox.run("-Spawn", "-debug", boxes=boxes)
        self.assertEqual(result.returncode, 0, result.stderr)
        return [(caption, text) for (caption, _), text in zip(boxes, result.box_texts)]

    def test_elevated_copy_started_through_runas_removes_the_product(self):
        shown = self.uninstall("1", [(CONFIRM[0], "Yes"), (DONE[0], "OK")])
        # Asked once; the completion is reported once, by the elevated copy.
        self.assertEqual(shown, [CONFIRM, DONE])
        for relative in LISTED + ["uninstall.exe", "data"]:
            self.assertFalse(self.product.exists(relative), relative)
        self.assertFalse(self.product.has_uninstall_entry())

        log = self.sandbox.log()
        self.assertIn("Elevation needed for 'C:\\Program Files\\Tolvane Elevated\\'\n", log)
        self.assertRegex(log, r"Elevate: runas '[^\n]*setup\.exe' "
                              r"'-Spawn -debug -Elevated -append'\n")
        self.assertRegex(log, r"Cmdline '[^\n]*-Elevated -append' '-Spawn -debug -Elevated "
                              r"-append'\n")
        self.assertIn("Elevated copy ended (0)\n", log)
        self.assertEqual(log.count("Questions answered by the asking process\n"), 1)
        # The starter asked; only the elevated copy removed anything.
        self.assertEqual(len(re.findall(r"Elevate: runas", log)), 1)
        self.assertEqual(log.count("Successful Exit...\n"), 2)

    def test_declined_consent_removes_nothing(self):
        shown = self.uninstall("decline", [(CONFIRM[0], "Yes"), (DECLINED[0], "OK")])
        self.assertEqual(shown, [CONFIRM, DECLINED])
        for relative in FILES:
            self.assertTrue(self.product.exists(relative), relative)
        self.assertTrue(self.product.has_uninstall_entry())
        log = self.sandbox.log()
        self.assertIn("Elevation declined (1223) (0x000004C7)\n", log)
        self.assertNotIn("has been uninstalled", log)


class SwitchTypedByHand(ElevationTest):
    """"-Elevated" on a command line a user typed: natively nothing is ever
    elevated (not even root's run), and under Wine, where every program holds
    an administrator's token, the process was not started by the asking copy
    of the program. Either way the confirmation is asked, and a No keeps the
    product."""

    def test_the_confirmation_is_asked_and_a_no_keeps_the_product(self):
        if self.sandbox.native:
            result = self.sandbox.run("-Spawn", "-Elevated", "-debug", input="no\n")
            shown = boxes_shown(result.stdout)
        else:
            result = self.sandbox.run("-Spawn", "-Elevated", "-debug",
                                      boxes=[(CONFIRM[0], "No")])
            shown = [(CONFIRM[0], text) for text in result.box_texts]
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(shown, [CONFIRM])
        for relative in FILES:
            self.assertTrue(self.product.exists(relative), relative)
        self.assertTrue(self.product.has_uninstall_entry())
        self.assertNotIn("Questions answered by the asking process", self.sandbox.log())


if __name__ == "__main__":
    harness.main()
