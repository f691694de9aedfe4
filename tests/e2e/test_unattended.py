"""Runs nobody attends: the dry run "-Plan", which reports each action of
the uninstall and changes nothing, and "-Silent", which asks nothing, shows
nothing and tells what happened through its exit status.

The plan is checked against what a real run then removes, file for file,
on the product of scripts/demo, natively and under Wine; the silent
statuses natively, and the relocating parent that waits for its copy's
status once under Wine."""

import getpass
import os
import re
import shutil

from lib import harness
from lib.harness import command, script
from lib.product import Product, add_shortcut, boxes_shown, drive_c, host_path, programs_folder

FILES = {
    "demo.exe": "demo program",
    "readme.txt": "Read me first.",
    "data\\sample.dat": "sample data",
    "uninstall.exe": "the uninstaller",
}
LISTED = ["demo.exe", "readme.txt", "data\\sample.dat"]
NOT_THE_PRODUCTS = {"data\\notes.txt": "the user's own notes"}

ACTION = re.compile(r"^(delete file|remove folder|delete shortcut|remove group|"
                    r"register component|unregister component|close window|copy file|"
                    r"queue for deletion at restart|delete registry key|start program) (.*)$")


def plan_actions(stdout):
    """The plan's action lines as (action, subject) pairs, and its summary."""
    lines = stdout.splitlines()
    actions = [ACTION.match(line).groups() for line in lines if ACTION.match(line)]
    summaries = [line for line in lines if line.startswith("summary: ")]
    return actions, summaries


def snapshot(*folders):
    """Every file and folder below the folders, with content and times."""
    found = {}
    for top in folders:
        for root, dirs, files in os.walk(top):
            for name in dirs:
                path = os.path.join(root, name)
                found[path] = ("folder", os.lstat(path).st_mtime_ns)
            for name in files:
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    found[path] = (f.read(), os.lstat(path).st_mtime_ns)
    return found


class UnattendedTest(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", "Demo")

    def tearDown(self):
        self.product.remove()
        shutil.rmtree(os.path.join(programs_folder(self.sandbox), "Tolvane"), ignore_errors=True)
        for name in ("demo.exe", "wininit.ini"):
            path = os.path.join(self.sandbox.temp_folder(), name)
            if os.path.exists(path):
                os.remove(path)
        super().tearDown()

    def native_only(self):
        if not self.sandbox.native:
            self.skipTest("covered natively")

    def install_demo(self, component=False):
        """The product of scripts/demo: files, shortcuts, its uninstall entry."""
        if self.sandbox.native:
            # The folders every machine has; the backend makes them on its first write.
            for folder in ("system32", "temp"):
                os.makedirs(os.path.join(drive_c(self.sandbox), "windows", folder), exist_ok=True)
        self.product.install(FILES)
        self.product.install(NOT_THE_PRODUCTS)
        self.product.record()
        self.product.add_uninstall_entry()
        self.shortcuts = [add_shortcut(self.sandbox, "Tolvane\\Demo", "Demo"),
                          add_shortcut(self.sandbox, "Tolvane\\Demo", "Read me")]
        self.other_shortcut = add_shortcut(self.sandbox, "Tolvane", "Other product")
        before = [command("CREATE GROUP", "Tolvane\\Demo"),
                  command("ADD ITEM", "0", "$3demo.exe", "", "Demo"),
                  command("ADD ITEM", "1", "$3readme.txt", "", "Read me")]
        files = list(LISTED)
        if component:
            os.makedirs(self.product.host("bin"))
            shutil.copy(os.path.join(self.sandbox.args.build_dir, "tests", "testcomponent.so"),
                        self.product.host("bin\\component.so"))
            files.append("bin\\component.so")
            before.insert(0, command("OLE", "REGISTER", "bin\\component.so"))
            self.calls = os.path.join(self.sandbox.folder, "calls.txt")
            self.sandbox.extra_environment["TESTCOMPONENT_LOG"] = self.calls
        self.sandbox.pack(self.product.script(files=files, temp=["demo.exe"],
                                              before_install=script(*before)))
        return files

    def watched(self):
        """What a run may change: drive C: natively (with the registry file);
        under Wine the product's folder, its groups and the temporary folder."""
        if self.sandbox.native:
            return [self.sandbox.prefix]
        return [self.product.host(), os.path.dirname(os.path.dirname(self.shortcuts[0])),
                self.sandbox.temp_folder()]


class PlanAgainstRun(UnattendedTest):

    def test_the_plan_changes_nothing_and_names_what_the_run_then_removes(self):
        self.needs_native_boxes()
        native = self.sandbox.native
        files = self.install_demo(component=native)
        self.sandbox.clear_logs()   # each run starts with that; not the plan's doing
        before = snapshot(*self.watched())

        plan = self.sandbox.run("-Plan", "-debug")
        self.assertEqual(plan.returncode, 0, plan.stderr)
        now = snapshot(*self.watched())
        self.assertEqual(sorted(p for p in set(now) | set(before) if now.get(p) != before.get(p)), [],
                         "the plan changed the machine")
        self.assertTrue(self.product.has_uninstall_entry())
        self.assertEqual(boxes_shown(plan.stdout), [], "no message box")
        self.assertNotIn("Copy: ", self.sandbox.log(), "a plan runs in place")
        self.assertEqual(self.sandbox.temp_copies(), [])
        if native:
            self.assertFalse(os.path.exists(self.calls), "no component is called")

        folder = self.product.folder
        temp_copy = "C:\\windows\\temp\\demo.exe" if native else None
        actions, summaries = plan_actions(plan.stdout)
        expected = []
        if native:
            expected += [("register component", folder + "bin\\component.so"),
                         ("unregister component", folder + "bin\\component.so")]
        expected += [("delete shortcut", None), ("delete shortcut", None),
                     ("remove group", None),
                     ("copy file", None), ("queue for deletion at restart", temp_copy)]
        # data\notes.txt is the user's: it keeps its folder.
        expected += [("delete file", folder + name) for name in LISTED]
        if native:
            expected += [("delete file", folder + "bin\\component.so"),
                         ("remove folder", folder + "bin\\")]
        expected += [("delete file", folder + "uninstall.exe"),
                     ("delete registry key", "HKEY_LOCAL_MACHINE\\" + self.product.uninstall_key())]
        self.assertEqual([(action, subject if want is not None else None)
                          for (action, subject), (_, want) in zip(actions, expected)], expected)
        self.assertEqual(len(actions), len(expected), actions)
        self.assertEqual(summaries, [
            "summary: files %d, folders %d, shortcuts 2, groups 1, registrations %d, "
            "unregistrations %d, windows 0, copies 1, queued at restart 1, registry keys 1, "
            "programs 0" % (len(files) + 1, 1 if native else 0, native, native)])
        self.assertEqual(plan.stdout.splitlines()[-1], summaries[0], "the summary is last")

        # The real run, answering Yes, removes exactly what the plan named.
        if native:
            run = self.sandbox.run("-Spawn", input="yes\n")
        else:
            run = self.sandbox.run("-Spawn", boxes=[("Uninstall...", "Yes"),
                                                    ("Uninstaller...", "OK")])
        self.assertEqual(run.returncode, 0, run.stderr)
        after = snapshot(*self.watched())
        removed = sorted(path for path in before if path not in after)
        planned = sorted(host_path(self.sandbox, subject).rstrip(os.sep)
                         for action, subject in actions
                         if action in ("delete file", "delete shortcut", "remove folder",
                                       "remove group"))
        self.assertEqual(removed, planned)
        self.assertFalse(self.product.has_uninstall_entry())
        self.assertTrue(os.path.exists(self.other_shortcut))

    def test_a_plan_creates_no_registry_file(self):
        self.native_only()
        self.product.install(FILES)
        # setup.exe is not there: a folder the plan removed stays gone for it.
        self.sandbox.pack(self.product.script(files=LISTED, registry_path=False,
                                              install_name="setup.exe"))
        registry = os.path.join(self.sandbox.prefix, "registry.reg")
        self.assertFalse(os.path.exists(registry))

        result = self.sandbox.run("-plan")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(registry))
        actions, summaries = plan_actions(result.stdout)
        folder = self.product.folder
        self.assertEqual(actions, [("delete file", folder + "demo.exe"),
                                   ("delete file", folder + "readme.txt"),
                                   ("delete file", folder + "data\\sample.dat"),
                                   ("remove folder", folder + "data\\"),
                                   ("delete file", folder + "uninstall.exe"),
                                   ("remove folder", folder)])
        self.assertEqual(len(summaries), 1)

    def test_a_plan_makes_none_of_the_machines_folders(self):
        self.native_only()
        for name, installed in [("fresh machine", False), ("installed product", True)]:
            with self.subTest(name):
                shutil.rmtree(self.sandbox.prefix, ignore_errors=True)
                if installed:
                    self.product.install(FILES)
                    self.product.record()
                self.sandbox.pack(self.product.script(files=LISTED))
                before = snapshot(self.sandbox.prefix)
                result = self.sandbox.run("-Plan", "-debug")
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(snapshot(self.sandbox.prefix), before)
                self.assertEqual(os.path.exists(self.sandbox.prefix), installed)
                actions, summaries = plan_actions(result.stdout)
                self.assertEqual(bool(actions), installed, actions)
                self.assertEqual(len(summaries), 1)


class PlanOfADamagedProgram(UnattendedTest):

    def test_the_plan_says_the_program_is_damaged_and_fails(self):
        def missing(program):
            pass

        def pointing_at_itself(program):
            # The trailer names its own offset as the archive's start.
            size = os.path.getsize(program)
            with open(program, "ab") as f:
                f.write(size.to_bytes(4, "little"))

        for name, damage in [("appended data missing", missing),
                             ("trailer pointing at itself", pointing_at_itself)]:
            with self.subTest(name):
                damage(self.sandbox.plain_copy())
                result = self.sandbox.run("-Plan", "-debug")
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(result.stdout.splitlines(), [
                    "The installation file has been damaged, please download a new copy."])
                self.assertNotIn("Company Name", self.sandbox.log(), "no script is run")


class SilentStatuses(UnattendedTest):
    """The exit status of "-Silent", started as a user would: relocating."""

    def run_silent(self):
        result = self.sandbox.run("-Silent", "-debug", timeout=60)
        self.assertEqual(boxes_shown(result.stdout), [], "no message box")
        return result

    def test_statuses_natively(self):
        self.native_only()
        cases = [
            # name, installs, recorded, script's extra files, status, removed
            ("removed", FILES, True, {}, [], 0, True),
            ("no previous installation", FILES, False, {}, [], 1605, False),
            ("a file queued at restart", FILES, True, {"temp": ["demo.exe"]}, [], 3010, True),
            ("a file that cannot be deleted", dict(FILES, **{"stuck\\inside": "x"}), True, {},
             ["stuck"], 3010, True),
        ]
        for name, installed, recorded, extra, more, status, removed in cases:
            with self.subTest(name):
                self.product.install(installed)
                if recorded:
                    self.product.record()
                self.product.add_uninstall_entry()
                self.sandbox.pack(self.product.script(files=LISTED + more, **extra))
                result = self.run_silent()
                self.assertEqual(result.returncode, self.sandbox.seen_status(status),
                                 self.sandbox.copy_log())
                self.assertEqual(not any(self.product.exists(f) for f in LISTED), removed)
                self.assertEqual(self.product.has_uninstall_entry(), not removed)
                if more:
                    with open(os.path.join(drive_c(self.sandbox), "windows", "wininit.ini")) as f:
                        self.assertIn("NUL=%sstuck\n" % self.product.folder, f.read(),
                                      "what a silent run cannot delete goes at the restart")
                self.product.remove()
                self.sandbox.regtool("delete-key", "1", self.product.registry_path)
                shutil.rmtree(os.path.join(self.sandbox.prefix, "drive_c", "windows", "temp",
                                           "demo.exe"), ignore_errors=True)

    def test_a_program_without_its_script_is_a_failure(self):
        self.native_only()
        self.sandbox.plain_copy()
        result = self.run_silent()
        self.assertEqual(result.returncode, self.sandbox.seen_status(1603))
        self.assertIn("Message [Uninstall problem...]: The installation file has been damaged",
                      self.sandbox.copy_log())

    def test_the_relocating_parent_returns_its_copys_status_under_wine(self):
        if self.sandbox.native:
            self.skipTest("natively the parent always waits")
        # Started from the product's folder, as the product's entry starts it:
        # the waiting parent holds that file, so it waits for the restart.
        self.product.install(FILES)
        self.product.record()
        packed = self.sandbox.pack(self.product.script(files=LISTED))
        shutil.copy(packed, self.product.host("uninstall.exe"))
        self.sandbox.program = self.product.host("uninstall.exe")
        status, result = self.sandbox.run_for_status("-Silent", "-debug", timeout=60)
        self.assertEqual(boxes_shown(result.stdout), [], "no message box")
        self.assertEqual(status, 3010, self.sandbox.copy_log())
        self.assertIn("Copy: ", self.sandbox.log())
        self.assertFalse(any(self.product.exists(f) for f in LISTED))
        log = self.sandbox.copy_log()
        self.assertIn("Unable to delete file '%suninstall.exe'" % self.product.folder, log)
        self.assertNotIn("Unable to queue", log)
        self.assertEqual(self.sandbox.temp_copies(), [], "the parent deletes its copy")


if __name__ == "__main__":
    harness.main()
