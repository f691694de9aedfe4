"""The program's entry: the version banner, the run mode chosen from the
command line, relocation into the temporary folder, the damaged archive,
and the end of a run whose script fails."""

import re
import subprocess

from lib import harness
from lib.harness import command, script

DAMAGED = "The installation file has been damaged, please download a new copy."

# "OLE" acts in the uninstall run only, and logs its verb and path there.
MODE_PROBE = command("OLE", "REREG", "$4absent.dll")
SUMMARY = command("COMPANY NAME", "Acme") + command("PRODUCT NAME", "Rocket")


class Entry(harness.ProgramTest):

    def test_libraries_of_tls_signatures_and_windows_are_not_loaded_at_start(self):
        # The program opens them when a run first needs them; a run that
        # needs none must not pay for loading them.
        program = self.sandbox.args.program
        if self.sandbox.native:
            listing = ["readelf", "--dynamic", program]
            unwanted = ("libssl", "libcrypto", "libx11")
        else:
            listing = ["x86_64-w64-mingw32-objdump", "--private-headers", program]
            unwanted = ("secur32", "crypt32", "bcrypt")
        result = subprocess.run(listing, capture_output=True, text=True, check=True)
        imported = re.findall(r"(?:NEEDED.*\[|DLL Name: )([^\]\s]+)", result.stdout)
        self.assertTrue(imported, result.stdout)
        self.assertEqual([name for name in imported if name.lower().startswith(unwanted)], [],
                         imported)

    def test_relocation_runs_the_copy_in_the_uninstall_mode(self):
        self.sandbox.pack(script(SUMMARY, MODE_PROBE))
        result = self.sandbox.run("-debug")
        self.assertEqual(result.returncode, 0, result.stderr)

        parent = self.sandbox.log()
        self.assertIn("Uninstall Version %s (Release)\n" % harness.program_version(), parent)
        self.assertRegex(parent, r"Cmdline '[^\n]*product-setup[^\n]*-debug' '-debug'\n"
                         if self.sandbox.native else r"Cmdline '[^\n]*-debug' '-debug'\n")
        # The system names the copy; Wine writes its digits and extension in lower case.
        copy = re.search(r"Copy: ([^\n]*) -> ([^\n]*\\Del[0-9A-Fa-f]{1,4}\.(?:TMP|tmp)\.exe)\n", parent)
        self.assertIsNotNone(copy, parent)
        self.assertIn('Exec: "%s" -Spawn -debug (0x' % copy.group(2), parent)
        self.assertTrue(parent.endswith("Successful Exit...\n"), parent)
        self.assertNotIn("Company Name", parent, "the parent runs no script")

        worker = self.sandbox.copy_log()
        self.assertIn("-Spawn -debug' '-Spawn -debug'\n", worker)
        self.assertIn("OLE: REREG '", worker)
        self.assertIn("Company Name   : Acme\n", worker)
        self.assertTrue(worker.endswith("Successful Exit...\n"), worker)
        if self.sandbox.native:
            self.assertEqual(self.sandbox.temp_copies(), [], "the copy is removed after it ends")

    def test_register_switch_in_any_case_leaves_the_uninstall_mode(self):
        self.sandbox.pack(script(SUMMARY, MODE_PROBE))
        result = self.sandbox.run("-debug", "-register")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn('-Spawn -debug -register (0x', self.sandbox.log())
        worker = self.sandbox.copy_log()
        self.assertIn("Company Name   : Acme\n", worker)
        self.assertNotIn("OLE:", worker)

    def test_installer_registration_runs_in_place(self):
        self.sandbox.pack(script(SUMMARY, MODE_PROBE))
        result = self.sandbox.run("-InstReg", "-debug")
        self.assertEqual(result.returncode, 0, result.stderr)
        log = self.sandbox.log()
        self.assertNotIn("Copy:", log)
        self.assertIn("Company Name   : Acme\n", log)
        self.assertNotIn("OLE:", log)
        self.assertEqual(self.sandbox.copy_log(), "")

    def test_update_wins_over_installer_registration_and_relocates(self):
        self.sandbox.pack(script(SUMMARY, MODE_PROBE))
        result = self.sandbox.run("-InstReg", "-Update", "-debug")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("-Spawn -InstReg -Update -debug (0x", self.sandbox.log())
        worker = self.sandbox.copy_log()
        self.assertIn("Company Name   : Acme\n", worker)
        self.assertNotIn("OLE:", worker)

    def test_arguments_are_passed_on_exactly_as_written(self):
        self.sandbox.pack(script(SUMMARY))
        result = self.sandbox.run("-debug", "two words", "x")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(' -Spawn -debug "two words" x (0x', self.sandbox.log())

    def test_arguments_too_long_for_the_command_line_start_nothing(self):
        self.sandbox.pack(script(SUMMARY))
        result = self.sandbox.run("-debug", "A" * 600)
        self.assertEqual(result.returncode, 0, result.stderr)
        parent = self.sandbox.log()
        self.assertIn("Command line too long for '", parent)
        self.assertNotIn("Exec:", parent)
        self.assertEqual(self.sandbox.copy_log(), "")
        self.assertEqual(self.sandbox.temp_copies(), [])

    def test_damaged_archive_is_reported_and_ends_normally(self):
        self.needs_native_boxes()
        self.sandbox.plain_copy()
        boxes = [] if self.sandbox.native else [("Uninstall problem...", "OK")]
        result = self.sandbox.run("-Spawn", "-debug", boxes=boxes)
        self.assertEqual(result.returncode, 0, result.stderr)
        if self.sandbox.native:
            self.assertIn("Uninstall problem...", result.stdout)
            self.assertIn(DAMAGED, result.stdout)
        log = self.sandbox.log()
        self.assertNotIn("Company Name", log, "no script is run")
        self.assertTrue(log.endswith("Successful Exit...\n"), log)

    def test_failing_script_ends_the_run_normally(self):
        self.needs_native_boxes()
        self.sandbox.pack(script(SUMMARY, command("NO SUCH KEYWORD", "x"),
                                 command("TEXT", "never")))
        boxes = [] if self.sandbox.native else [("Uninstall problem...", "OK")]
        result = self.sandbox.run("-Spawn", "-debug", boxes=boxes)
        self.assertEqual(result.returncode, 0, result.stderr)
        if self.sandbox.native:
            self.assertIn("Installation script corrupted!", result.stdout)
        log = self.sandbox.log()
        self.assertIn("Unknown script command 'NO SUCH KEYWORD'\n", log)
        self.assertIn("Script failed somewhere\n", log)
        self.assertTrue(log.endswith("Successful Exit...\n"), log)


if __name__ == "__main__":
    harness.main()
