"""Nothing outside the product is ever deleted, whatever the script or the
registry say: each hostile case runs from a current folder that holds
decoys named like the product's files, with sentinel files outside the
product. Every sentinel survives; the product's files go when, and only
when, its install path is usable.

The cases run natively; the first one (an install path refused for its
length) runs under Wine too, with its decoys in Wine's current folder."""

import os
import re

from lib import harness
from lib.harness import command, script
from lib.product import Product, add_shortcut, boxes_shown, drive_c, host_path, programs_folder

CONFIRM = ("Uninstall...", "Are you sure you want to uninstall Tolvane Demo?")
DONE = ("Uninstaller...", "Tolvane Demo has been uninstalled!")
NOT_FOUND = ("Uninstall problem...",
             "Unable to find previous installation; files could not be removed.")

FILES = {"demo.exe": "program", "data\\sample.dat": "sample"}
DECOYS = ["demo.exe", "tmp\\x\\sentinel.txt"]


def item1_script(product):
    """No registry path and an install folder too long to be kept."""
    return script(command("COMPANY NAME", "Tolvane"), command("PRODUCT NAME", "Demo"),
                  command("INSTALL DIR", "D" * 150), command("INSTALL PATH", ""),
                  command("FILE LIST", ",".join(DECOYS)), command("INSTALL"), command("DONE", ""))


def without_install_path(product):
    return script(command("COMPANY NAME", "Tolvane"), command("PRODUCT NAME", "Demo"),
                  command("FILE LIST", ",".join(DECOYS)), command("INSTALL"), command("DONE", ""))


def listed(*names):
    return lambda product: product.script(files=list(names), uninstall_name="")


# name: (what is recorded as "Install Path" (None: nothing, True: the
#        folder), the script, whether the install path is usable,
#        a preparation (test, product) or None, lines the log must hold)
CASES = {
    "refused_install_dir": (None, item1_script, False, None,
                            ["Install path too long '" + "D" * 150,
                             "Refused path '': empty\n"]),
    "empty_recorded_path": ("", listed("demo.exe", *DECOYS), False, None,
                            ["Refused path '': empty\n"]),
    "relative_recorded_path": ("Tolvane Demo\\", listed("demo.exe", *DECOYS), False, None,
                               ["Refused path 'Tolvane Demo\\': not absolute\n"]),
    "recorded_drive_root": ("C:\\", listed("demo.exe", *DECOYS), False, None,
                            ["Refused path 'C:\\': a drive or share root\n"]),
    "recorded_path_of_200": ("C:\\" + "R" * 196 + "\\", listed("demo.exe"), False, None,
                             ["Install Path too long 'C:\\RRR"]),
    "recorded_path_of_400": ("C:\\" + "R" * 396 + "\\", listed("demo.exe"), False, None,
                             ["Install Path unusable ("]),
    "no_install_path_keyword": (None, without_install_path, False, None,
                                ["Refused path '': empty\n"]),
    "failing_temp_folder": (True, lambda p: p.script(files=["demo.exe", "$4demo.exe",
                                                             "$4tmp\\x\\sentinel.txt"],
                                                      temp=["demo.exe"], uninstall_name=""),
                            True, "break_temp_folder",
                            ["Refused path 'demo.exe': not absolute\n",
                             "Refused path 'tmp\\x\\sentinel.txt': not absolute\n"]),
    "climbing_names": (True, listed("demo.exe", "..\\..\\Sentinel\\keep.txt",
                                    "data\\...\\..\\x"), True, None,
                       ["': a name of dots\n"]),
    "links_among_the_files": (True, listed("demo.exe", "data\\sample.dat", "linked.txt"),
                              True, "add_links", []),
    "emptied_program_files": (True, listed("demo.exe", "data\\sample.dat"), True, None, []),
}


class Safety(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", "Demo")
        self.outside = os.path.join(self.sandbox.folder, "outside")

    def tearDown(self):
        self.product.remove()
        super().tearDown()

    # -- sentinels -------------------------------------------------------

    def sentinels(self):
        """Files that are not the product's: decoys in the current folder and
        beside the product, files behind links."""
        paths = [os.path.join(self.sandbox.folder, *d.split("\\")) for d in DECOYS]
        if self.sandbox.native:   # Wine's drive C: is shared by every test
            paths += [host_path(self.sandbox, "C:\\" + d) for d in DECOYS]
            paths += [host_path(self.sandbox, "C:\\Sentinel\\keep.txt"),
                      os.path.join(self.outside, "sample.dat"),
                      os.path.join(self.outside, "linked.txt")]
        return paths

    def plant_sentinels(self):
        for path in self.sentinels():
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write("not the product's")

    def assert_sentinels_survive(self):
        for path in self.sentinels():
            self.assertTrue(os.path.isfile(path), path)

    # -- preparations ----------------------------------------------------

    def break_temp_folder(self):
        """The temporary folder query fails: its folder is a file."""
        temp = host_path(self.sandbox, "C:\\windows\\temp")
        os.makedirs(os.path.dirname(temp), exist_ok=True)
        with open(temp, "w") as f:
            f.write("in the way")

    def add_links(self):
        """data is a link to a folder outside, linked.txt to a file outside."""
        os.remove(self.product.host("data\\sample.dat"))
        os.rmdir(self.product.host("data"))
        os.symlink(self.outside, self.product.host("data"))
        os.symlink(os.path.join(self.outside, "linked.txt"), self.product.host("linked.txt"))

    # -- the run ---------------------------------------------------------

    def uninstall(self, answers):
        if self.sandbox.native:
            result = self.sandbox.run("-Spawn", "-debug", input="yes\n")
            return result, boxes_shown(result.stdout)
        boxes = [(CONFIRM[0], "Yes"), (answers[1][0], "OK")]
        result = self.sandbox.run("-Spawn", "-debug", boxes=boxes)
        return result, [(caption, text) for (caption, _), text in zip(boxes, result.box_texts)]

    def run_case(self, name):
        recorded, make_script, usable, prepare, log_lines = CASES[name]
        self.product.install(FILES)
        self.product.add_uninstall_entry()
        self.plant_sentinels()
        if recorded is not None:
            self.product.record(self.product.folder if recorded is True else recorded)
        if prepare:
            getattr(self, prepare)()
        self.sandbox.pack(make_script(self.product))

        expected = [CONFIRM, DONE if usable else NOT_FOUND]
        result, boxes = self.uninstall(expected)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes, expected)

        self.assert_sentinels_survive()
        log = self.sandbox.log()
        for line in log_lines:
            self.assertIn(line, log)
        if usable:
            self.assertFalse(self.product.exists("demo.exe"))
        else:
            for relative in FILES:
                self.assertTrue(self.product.exists(relative), relative)
            self.assertTrue(self.product.has_uninstall_entry())
            self.assertNotIn("Delete file", log)
            self.assertNotRegex(log, r"Install Path   : [^\n]*RRR", "no cut path is kept")
        return log

    def native_only(self):
        if not self.sandbox.native:
            self.skipTest("covered natively; the refused install folder runs under Wine")

    def test_refused_install_dir(self):
        self.needs_native_boxes()
        self.run_case("refused_install_dir")

    def test_links_are_removed_as_links(self):
        self.native_only()
        self.run_case("links_among_the_files")
        for name in ("data", "linked.txt"):
            self.assertFalse(os.path.lexists(self.product.host(name)), name)
        self.assertFalse(self.product.exists(), "the emptied product folder goes")

    def test_nothing_goes_through_a_link_in_the_run_or_at_the_restart(self):
        """A linked folder of the product leads outside: the files listed
        below it are refused by the run and by the restart queue alike (a
        silent run queues what it cannot delete). Under Wine a Linux link
        inside drive_c is a reparse point."""
        self.product.install({"demo.exe": "program"})
        self.product.record()
        os.makedirs(os.path.join(self.outside, "sub"))
        kept = {name: os.path.join(self.outside, *name.split("\\"))
                for name in ("file.txt", "sub\\deep.txt", "linked.txt")}
        for path in kept.values():
            with open(path, "w") as f:
                f.write("not the product's")
        os.symlink(self.outside, self.product.host("jct"))
        # The deeper file first: natively the pruning after the other one
        # removes the link itself.
        listed = ["demo.exe", "jct\\sub\\deep.txt", "jct\\file.txt"]
        # Wine 8 differs: a Linux link to a file is no reparse point there,
        # and DeleteFile deletes its target and keeps the link; Windows'
        # DeleteFile removes a file's symbolic link itself.
        if self.sandbox.native:
            os.symlink(kept["linked.txt"], self.product.host("flink.txt"))
            listed.append("flink.txt")
        self.sandbox.pack(self.product.script(files=listed, uninstall_name=""))

        result = self.sandbox.run("-Spawn", "-Silent", "-debug")
        self.assertEqual(result.returncode, 0, result.stderr)
        for path in kept.values():
            self.assertTrue(os.path.isfile(path), path)
        log = self.sandbox.log()
        for name in ("jct\\sub\\deep.txt", "jct\\file.txt"):
            self.assertIn("Refused path '%s%s': through a link\n" % (self.product.folder, name),
                          log)
        self.assertNotIn("for deletion", log)
        if self.sandbox.native:
            self.assertFalse(os.path.lexists(self.product.host("flink.txt")), "the link goes")
        self.assertFalse(self.product.exists("demo.exe"))

    def test_well_known_folders_stay_when_emptied(self):
        self.native_only()
        log = self.run_case("emptied_program_files")
        self.assertFalse(self.product.exists(), "the emptied product folder goes")
        self.assertTrue(os.path.isdir(host_path(self.sandbox, "C:\\Program Files")))
        self.assertNotIn("Deleting 'C:\\Program Files\\'", log)

    def test_emptied_programs_folder_stays(self):
        self.native_only()
        self.product.install(FILES)
        self.product.record()
        shortcut = add_shortcut(self.sandbox, "", "Demo")
        self.sandbox.pack(self.product.script(files=list(FILES), uninstall_name="",
                                              before_install=command("ADD ITEM", "0", "x", "",
                                                                     "Demo")))
        result, _ = self.uninstall([CONFIRM, DONE])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(shortcut))
        self.assertTrue(os.path.isdir(programs_folder(self.sandbox)))


for _name in CASES:
    if _name in ("refused_install_dir", "links_among_the_files", "emptied_program_files"):
        continue

    def _test(self, name=_name):
        self.native_only()
        self.run_case(name)
    setattr(Safety, "test_" + _name, _test)


class RelocatedCopy(harness.ProgramTest):
    """The copy reads the command line its parent built, not a host path
    that may hold a mode switch."""

    def test_copy_sees_the_windows_command_line(self):
        if not self.sandbox.native:
            self.skipTest("the host path only shows natively")
        self.sandbox.prefix = os.path.join(self.sandbox.folder, "prefix-update-register")
        product = Product(self.sandbox, "Tolvane", "Demo")
        product.install(FILES)
        product.record()
        self.sandbox.pack(product.script(files=list(FILES), uninstall_name=""))

        result = self.sandbox.run("-debug", input="yes\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(boxes_shown(result.stdout), [CONFIRM, DONE])
        self.assertFalse(product.exists())

        executed = re.search(r"Exec: (.*) \(0x", self.sandbox.log()).group(1)
        self.assertRegex(executed, r'^"C:\\windows\\temp\\Del[0-9A-F]{1,4}\.TMP\.exe" -Spawn -debug$')
        self.assertIn("Cmdline '%s' '-Spawn -debug'\n" % executed, self.sandbox.copy_log())


if __name__ == "__main__":
    harness.main()
