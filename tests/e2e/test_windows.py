"""The product's running windows and its Start-menu entries: "WINDOW" closes
the product before it is removed (silently, refusing, or asking the user),
"DONE" starts it again when the removal did not happen, and "CREATE GROUP"
with "ADD ITEM" delete its shortcuts and the groups they leave empty.

The windows are real: X11 windows on a private Xvfb natively, Win32 windows
under Wine. The main scenario runs on both systems, started without
switches so that it relocates first; the others run natively, and the two
Win32-only behaviours (a close request that blocks on the product's own
question, a product that stops answering) under Wine."""

import os
import shutil
import threading
import time

from lib import harness
from lib.harness import command, script
from lib.product import Product, add_shortcut, boxes_shown, programs_folder
from lib.windows import ProductWindows, stop_virtual_display

CONFIRM = ("Uninstall...", "Are you sure you want to uninstall Tolvane Demo?")
DONE = ("Uninstaller...", "Tolvane Demo has been uninstalled!")
FILES = {"demo.exe": "program", "data\\sample.dat": "sample", "uninstall.exe": "uninstaller"}
LISTED = ["demo.exe", "data\\sample.dat"]
MESSAGE = "Please close Tolvane Demo first."


def window(mode, wait=2000, title="Test Product", class_name="TestProduct", restart="",
           message=MESSAGE):
    return command("WINDOW", str(mode), str(wait), title, class_name, restart, message)


class WindowTest(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", "Demo")
        self.product.install(FILES)
        self.product.record()
        self.windows = ProductWindows(self.sandbox)

    def tearDown(self):
        self.windows.stop()
        self.product.remove()
        shutil.rmtree(os.path.join(programs_folder(self.sandbox), "Tolvane"),
                      ignore_errors=True)
        super().tearDown()

    def native_only(self):
        if not self.sandbox.native:
            self.skipTest("covered natively")

    def wine_only(self):
        if self.sandbox.native:
            self.skipTest("a behaviour of Win32 windows")
        self.needs_native_boxes()

    def pack(self, *before_install):
        self.sandbox.pack(self.product.script(files=LISTED, before_install=script(*before_install)))

    def run_native(self, *answers, arguments=("-Spawn", "-debug")):
        result = self.sandbox.run(*arguments, input="".join(a + "\n" for a in answers))
        self.assertEqual(result.returncode, 0, result.stderr)
        return result, boxes_shown(result.stdout)

    def removed(self):
        return not any(self.product.exists(relative) for relative in LISTED)

    def untouched(self):
        return all(self.product.exists(relative) for relative in FILES)


class MainScenario(WindowTest):

    def test_relocated_run_closes_the_product_and_removes_it_with_its_shortcuts(self):
        self.needs_native_boxes()
        self.product.add_uninstall_entry()
        demo = add_shortcut(self.sandbox, "Tolvane\\Demo", "Demo")
        readme = add_shortcut(self.sandbox, "Tolvane\\Demo", "Read me")
        tool = add_shortcut(self.sandbox, "Tolvane\\Demo\\Tools", "Tool")
        other = add_shortcut(self.sandbox, "Tolvane", "Other product")
        self.windows.start()
        self.pack(window(0, restart="demo.exe"),
                  command("CREATE GROUP", "Tolvane\\Demo"),
                  command("ADD ITEM", "0", "$3demo.exe", "", "Demo"),
                  command("ADD ITEM", "1", "$3readme.txt", "", "Read me"),
                  command("CREATE GROUP", "Tolvane\\Demo\\Tools"),
                  command("ADD ITEM", "0", "$3tool.exe", "-x", "Tool"))

        if self.sandbox.native:
            result = self.sandbox.run("-debug", input="yes\n")
            boxes = boxes_shown(result.stdout)
        else:
            result = self.sandbox.run("-debug", boxes=[(CONFIRM[0], "Yes"), (DONE[0], "OK")])
            boxes = list(zip([CONFIRM[0], DONE[0]], result.box_texts))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, [CONFIRM, DONE])

        self.assertIn("Copy: ", self.sandbox.log(), "the run relocates first")
        log = self.sandbox.copy_log()
        self.assertIn("Find [0] Windows = 'Test Product' / 'TestProduct' [demo.exe]\n", log)
        self.assertIn("Window Match 0: [Test Product / TestProduct]\n", log)
        self.assertIn("closed Test Product", self.windows.events())
        self.assertEqual(self.windows.events().count("ready Test Product"), 1,
                         "an uninstalled product is not started again")

        self.assertTrue(self.removed())
        self.assertFalse(self.product.has_uninstall_entry())
        for shortcut in (demo, readme, tool):
            self.assertFalse(os.path.exists(shortcut), shortcut)
        self.assertFalse(os.path.exists(os.path.dirname(demo)), "the emptied groups go")
        self.assertTrue(os.path.exists(other), "other shortcuts stay, and with them their group")
        self.assertIn("Delete Item = 'Tolvane\\Demo\\Tools' : 'Tool' ('$3tool.exe' / '-x')\n",
                      log)

        if self.sandbox.native:
            self.assertEqual(self.sandbox.temp_copies(), [], "the copy is gone after the run")
        else:
            self.assertNotIn("Unable to queue", self.sandbox.log(), "the copy is queued")


class ClosingNatively(WindowTest):
    """The close modes against X11 windows."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def install_product_program(self):
        """The product's own program is the test window (natively a program
        "demo", which the path "demo.exe" names when no "demo.exe" exists)."""
        os.remove(self.product.host("demo.exe"))
        shutil.copy(self.windows.program(), self.product.host("demo"))

    def test_no_running_product_passes_at_once_and_is_not_started_later(self):
        self.install_product_program()
        self.pack(window(0, restart="demo.exe"))
        started = time.monotonic()
        result, boxes = self.run_native("no")
        self.assertLess(time.monotonic() - started, 5, "no pause without a match")
        self.assertEqual(boxes, [CONFIRM])
        self.assertNotIn("Window Match", self.sandbox.log())
        self.assertEqual(self.windows.events(), [], "nothing was running: nothing restarts")

    def test_product_closed_for_a_declined_uninstall_is_started_again(self):
        self.install_product_program()
        self.windows.start()
        self.pack(window(0, restart="demo.exe"))
        _, boxes = self.run_native("no")
        self.assertEqual(boxes, [CONFIRM])
        self.assertIn("Window Match 0: [Test Product / TestProduct]\n", self.sandbox.log())
        self.windows.wait_for("ready Test Product", timeout=10, count=2)  # started again
        self.assertEqual(self.windows.events()[:2], ["ready Test Product", "closed Test Product"])

    def test_refusing_product_stops_the_script_after_ten_passes(self):
        self.windows.start(on_close="refuse")
        self.pack(window(0, wait=1000, restart="demo.exe"))
        started = time.monotonic()
        result, boxes = self.run_native("yes")
        self.assertGreaterEqual(time.monotonic() - started, 1.0, "ten pauses of 100 ms")
        self.assertEqual(boxes, [], "the script stopped before INSTALL")
        log = self.sandbox.log()
        self.assertEqual(log.count("Window Match 0: [Test Product / TestProduct]\n"), 10)
        self.assertIn("Unable to close Window 0:'Test Product' 'TestProduct'\n", log)
        self.assertIn("Command Failed 'WINDOW'\n", log)
        self.assertTrue(self.untouched())
        self.assertNotIn("ready Test Product", self.windows.events()[1:], "never restarted")

    def test_refuse_mode_tells_the_user_and_stops(self):
        self.windows.start()
        self.pack(window(1))
        result, boxes = self.run_native()
        self.assertEqual(boxes, [("Uninstall problem...", MESSAGE)])
        self.assertIn("Unable to close Window 1:'Test Product' 'TestProduct'\n",
                      self.sandbox.log())
        self.assertTrue(self.untouched())
        self.assertNotIn("closed Test Product", self.windows.events())

    def test_unattended_runs_answer_for_the_user(self):
        # A plan names the window and leaves it open; a plan stops where
        # refuse mode stops; a silent run closes even in refuse mode.
        self.windows.start()
        self.pack(window(2))
        result, boxes = self.run_native(arguments=("-Plan",))
        self.assertEqual(boxes, [])
        self.assertIn("close window [Test Product / TestProduct]\n", result.stdout)
        self.assertNotIn("closed Test Product", self.windows.events())
        self.assertTrue(self.untouched())

        self.pack(window(1))
        result, boxes = self.run_native(arguments=("-Plan",))
        self.assertEqual(boxes, [])
        self.assertIn("stop: window [Test Product / TestProduct] is open\n", result.stdout)
        self.assertNotIn("delete file", result.stdout)

        result = self.sandbox.run("-Silent", "-debug")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, "")
        self.assertIn("closed Test Product", self.windows.events())
        self.assertTrue(self.removed())

    def test_ask_mode_closes_after_yes_and_stops_after_no(self):
        self.windows.start()
        self.pack(window(2))
        _, boxes = self.run_native("yes", "yes")
        self.assertEqual(boxes, [("Attempt #1", MESSAGE), CONFIRM, DONE])
        self.assertIn("Prompt [%s] [Attempt #1]\nPrompt True\n" % MESSAGE, self.sandbox.log())
        self.assertIn("closed Test Product", self.windows.events())
        self.assertTrue(self.removed())

        self.product.install(FILES)
        self.windows.start(title="Second")
        self.pack(window(2, title="Second"))
        _, boxes = self.run_native("no")
        self.assertEqual(boxes, [("Attempt #1", MESSAGE)])
        self.assertIn("Unable to close Window 2:'Second' 'TestProduct'\n", self.sandbox.log())
        self.assertTrue(self.untouched())

    def test_a_product_that_asks_its_own_user_is_asked_about_again(self):
        # The product asks its user before it closes, so it is still open in
        # the next pass and the uninstaller asks again, numbering the attempt.
        self.windows.start(title="One", on_close="ask")
        self.windows.start(title="Two")
        self.pack(window(2, title=""))

        def answer_later():
            self.windows.wait_for("asked One")
            time.sleep(0.5)
            self.windows.answer(True)
        answering = threading.Thread(target=answer_later)
        answering.start()
        _, boxes = self.run_native(*["yes"] * 12)
        answering.join()
        questions = [caption for caption, _ in boxes if caption.startswith("Attempt")]
        self.assertEqual(questions[:2], ["Attempt #1", "Attempt #1"], "one per window")
        self.assertIn("Attempt #2", questions)
        self.assertEqual(boxes[-2:], [CONFIRM, DONE])
        self.assertIn("closed One", self.windows.events())
        self.assertIn("closed Two", self.windows.events())
        self.assertTrue(self.removed())

    def test_title_and_class_must_both_match_when_both_are_given(self):
        self.windows.start(title="Test Product", class_name="OtherClass")
        self.pack(window(0))
        _, boxes = self.run_native("yes")
        self.assertEqual(boxes, [CONFIRM, DONE])
        self.assertIn("Window CmpClass 0: [OtherClass / TestProduct]\n", self.sandbox.log())
        self.assertNotIn("closed Test Product", self.windows.events())


class ClosingUnderWine(WindowTest):
    """What only Win32 windows do: answer a close request late, or never."""

    def setUp(self):
        super().setUp()
        self.wine_only()

    def test_product_asking_its_user_holds_the_close_request_until_answered(self):
        self.windows.start(on_close="ask")
        self.pack(window(0))
        result = self.sandbox.run("-Spawn", "-debug", boxes=[
            ("Closing Test Product", "Yes"), (CONFIRM[0], "Yes"), (DONE[0], "OK")])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.box_texts[0], "Close Test Product?")
        self.assertIn("closed Test Product", self.windows.events())
        self.assertTrue(self.removed())

    def test_product_that_stops_answering_does_not_hold_the_run(self):
        self.windows.start(on_close="hang")
        self.pack(window(0, wait=1000))
        started = time.monotonic()
        result = self.sandbox.run("-Spawn", "-debug", settle=False)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertLess(time.monotonic() - started, 25, "the hung product is given up on")
        log = self.sandbox.log()
        self.assertIn("Window Close timed out 0: [Test Product / TestProduct]\n", log)
        self.assertIn("Unable to close Window 0:'Test Product' 'TestProduct'\n", log)
        self.assertTrue(self.untouched())


class StartMenu(WindowTest):
    """Shortcuts outside the uninstall run."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_registration_run_deletes_only_the_registration_shortcut(self):
        register = add_shortcut(self.sandbox, "Tolvane\\Demo", "Register Demo")
        demo = add_shortcut(self.sandbox, "Tolvane\\Demo", "Demo")
        self.sandbox.pack(script(self.product.settings(),
                                 command("CREATE GROUP", "Tolvane\\Demo"),
                                 command("ADD ITEM", "0", "$3demo.exe", "", "Demo"),
                                 command("ADD ITEM", "0", "$3setup.exe", "-REGISTER",
                                         "Register Demo"),
                                 command("DONE")))
        self.run_native(arguments=("-Spawn", "-Register", "-debug"))
        self.assertFalse(os.path.exists(register))
        self.assertTrue(os.path.exists(demo))
        self.assertNotIn("Delete Item", self.sandbox.log())

    def test_second_group_takes_the_following_items(self):
        first = add_shortcut(self.sandbox, "Tolvane\\First", "Demo")
        second = add_shortcut(self.sandbox, "Tolvane\\Second", "Demo")
        self.pack(command("CREATE GROUP", "Tolvane\\First"),
                  command("CREATE GROUP", "Tolvane\\Second"),
                  command("ADD ITEM", "0", "$3demo.exe", "", "Demo"))
        self.run_native("yes")
        self.assertTrue(os.path.exists(first))
        self.assertFalse(os.path.exists(second))


def tearDownModule():
    stop_virtual_display()


if __name__ == "__main__":
    harness.main()
