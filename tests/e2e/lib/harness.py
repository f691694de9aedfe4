"""Helpers for end-to-end scenarios that run the real program.

Every scenario is started by CTest as

    python3 test_x.py --build-dir B --backend posix|win32 --program P --ffspack F

(under Wine for the Windows build, with WINEPREFIX set to B/wineprefix).
A typical scenario:

    from lib import harness
    from lib.harness import command

    class Entry(harness.ProgramTest):
        def test_company(self):
            self.sandbox.pack(command("COMPANY NAME", "Acme"))
            result = self.sandbox.run("-Spawn", "-debug")
            self.assertEqual(result.returncode, 0)
            self.assertIn("Company Name   : Acme\\n", self.sandbox.log())

    if __name__ == "__main__":
        harness.main()

What it offers:

- command(keyword, *fields): one script command as bytes: the marker 0x16,
  the keyword, ':', the fields joined by single line feeds and a CR LF.
- Sandbox: a fresh folder per test holding the packed program, natively
  also a private prefix (UNINSTALL_PREFIX) with its own drive C: and
  registry. pack() appends a script to the built program with ffspack;
  run() starts it (natively, or under wine) and waits for it and for any
  copy it started; log() and copy_log() read the debug.log of the started
  program and of its relocated copy; regtool() reads and writes the
  registry the way the program sees it.
- Message boxes: natively they print caption and text on standard output
  and a yes/no question reads a line from standard input (run(input=...)).
  Under Wine they are real windows: pass boxes=[(caption, button), ...]
  to run() and the dialog robot answers them in order (the result's
  box_texts holds the text of each box it answered), or skip the test
  with self.needs_native_boxes() when no robot is built.
"""

import argparse
import glob
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

from lib import identity

MARKER = b"\x16"
ARGS = None


def command(keyword, *fields, end=b"\r\n"):
    """One script command: marker, keyword, ':', fields, line end.

    Fields of one command are separated by exactly one terminator byte (a
    line feed here); the command ends in CR LF, so that the byte the engine
    passes over after a command is the CR and the next marker stays in place.
    """
    encoded = [f.encode("latin-1") if isinstance(f, str) else f for f in fields]
    return MARKER + keyword.encode("latin-1") + b":" + b"\n".join(encoded) + end


def script(*commands):
    """A whole script from commands (bytes), in order."""
    return b"".join(commands)


def windows_text(raw):
    """Log files are Windows text files: CR LF back to LF."""
    return raw.replace(b"\r\n", b"\n").decode("latin-1")


def windows_path(host):
    """A host path as a Windows program under Wine names it (drive Z: is /)."""
    return "Z:" + host.replace("/", "\\")


class Sandbox:
    """A fresh folder and, natively, a private prefix for one test."""

    def __init__(self, args):
        self.args = args
        self.native = args.backend == "posix"
        self.folder = tempfile.mkdtemp(prefix="uninstall-e2e-")
        self.prefix = os.path.join(self.folder, "prefix")
        self.program = None
        self.extra_environment = {}   # set by a test for the programs it runs

    def close(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    # -- environment -----------------------------------------------------

    def environment(self):
        env = dict(os.environ)
        env.update(self.extra_environment)
        if self.native:
            env["UNINSTALL_PREFIX"] = self.prefix
        return env

    def _launcher(self, executable):
        return [executable] if self.native else ["wine", executable]

    def _settle(self):
        """Under Wine the parent does not wait for its relocated copy: wait
        for every process of the prefix to end."""
        if not self.native:
            subprocess.run(["wineserver", "-w"], env=self.environment(), timeout=300)

    # -- the program -----------------------------------------------------

    def pack(self, script_bytes, name=None):
        """Appends the script to the built program; returns the packed path.

        Natively the default name has no ".exe", which the program appends
        to its own path before it opens its archive."""
        if name is None:
            name = "product-setup" if self.native else "setup.exe"
        source = os.path.join(self.folder, "install.dat")
        with open(source, "wb") as f:
            f.write(script_bytes)
        self.program = os.path.join(self.folder, name)
        # Relative names: the packer under Wine reads the folder as its drive.
        packer = self._launcher(self.args.ffspack) + ["pack", self.args.program,
                                                      "install.dat", name]
        subprocess.run(packer, check=True, capture_output=True, cwd=self.folder,
                       env=self.environment(), timeout=120)
        self._make_executable(self.program)
        return self.program

    def plain_copy(self, name=None):
        """The built program without any archive, as the program to run."""
        if name is None:
            name = "product-setup" if self.native else "setup.exe"
        self.program = os.path.join(self.folder, name)
        shutil.copyfile(self.args.program, self.program)
        self._make_executable(self.program)
        return self.program

    @staticmethod
    def _make_executable(path):
        os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)

    def run(self, *arguments, input=None, boxes=(), timeout=120, settle=True):
        """Runs the packed program with the arguments and waits for it and
        for the copy it may start (under Wine: for every process of the
        prefix, unless settle is False). Returns a CompletedProcess with
        text stdout and stderr."""
        self.clear_logs()
        command_line = self._launcher(self.program) + list(arguments)
        process = subprocess.Popen(command_line, cwd=self.folder, env=self.environment(),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        box_texts = [self.robot("press", caption, button).stdout.rstrip("\n")
                     for caption, button in boxes]
        out, err = process.communicate(input=(input or "").encode("latin-1"), timeout=timeout)
        if settle:
            self._settle()
        result = subprocess.CompletedProcess(command_line, process.returncode,
                                             out.decode("latin-1"), err.decode("latin-1"))
        result.box_texts = box_texts   # what each answered box said, in order
        return result

    def run_for_status(self, *arguments, cwd=None, timeout=120):
        """Runs the packed program as a deployment tool does (no input, no
        window answered) from `cwd` (default: the sandbox) and returns its
        exit status and the completed process. Under Wine the status comes
        through tests/helpers/startwait, whole: the status Wine hands to
        Linux keeps only its low byte. Natively it is the process's own,
        which is all a POSIX status holds (see seen_status)."""
        self.clear_logs()
        cwd = cwd or self.folder
        if self.native:
            result = subprocess.run([self.program] + list(arguments), cwd=cwd,
                                    env=self.environment(), stdin=subprocess.DEVNULL,
                                    capture_output=True, encoding="latin-1", timeout=timeout)
            return result.returncode, result
        helper = os.path.join(self.args.build_dir, "tests", "startwait.exe")
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(["wine", helper, windows_path(self.program)] + list(arguments),
                                    cwd=cwd, env=self.environment(), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode("latin-1")
            result.stderr = err.read().decode("latin-1")
        self._settle()
        if result.returncode != 0:
            raise AssertionError("startwait failed: " + result.stderr)
        return int(result.stdout.split()[-1]), result

    def seen_status(self, status):
        """A Windows exit status as run_for_status gives it on this system."""
        return status & 0xFF if self.native else status

    # -- what the program left -------------------------------------------

    def log_path(self):
        """debug.log beside the started program."""
        return os.path.join(os.path.dirname(self.program), "debug.log")

    def temp_folder(self):
        """The host folder behind the program's temporary folder."""
        if self.native:
            return os.path.join(self.prefix, "drive_c", "windows", "temp")
        prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
        found = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local",
                                       "Temp")) + \
            glob.glob(os.path.join(prefix, "drive_c", "users", "*", "Temp"))
        found = [f for f in found if "Public" not in f]
        return found[0] if found else os.path.join(prefix, "drive_c", "windows", "temp")

    def copy_log_path(self):
        """debug.log of the relocated copy, which lies in the temporary folder."""
        return os.path.join(self.temp_folder(), "debug.log")

    def clear_logs(self):
        for path in (self.log_path(), self.copy_log_path()):
            if os.path.exists(path):
                os.remove(path)

    @staticmethod
    def _read_text(path):
        if not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return windows_text(f.read())

    def log(self):
        return self._read_text(self.log_path())

    def copy_log(self):
        return self._read_text(self.copy_log_path())

    def temp_copies(self):
        """Relocated copies ("Del....TMP.exe") left in the temporary folder."""
        return sorted(glob.glob(os.path.join(self.temp_folder(), "Del*")))

    # -- helper programs -------------------------------------------------

    def helper(self, name, *arguments, check=False):
        """Runs tests/helpers/NAME from the build with the test's prefix.

        Output goes through files, not pipes: under Wine the helper may be
        the process that starts the prefix's background processes, which
        keep the handles they inherited open long after it ended."""
        suffix = "" if self.native else ".exe"
        executable = os.path.join(self.args.build_dir, "tests", name + suffix)
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(self._launcher(executable) + list(arguments), stdout=out,
                                    stderr=err, env=self.environment(), timeout=120)
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode("latin-1")
            result.stderr = err.read().decode("latin-1")
        if check:
            result.check_returncode()
        return result

    def regtool(self, *arguments):
        """The registry as the program sees it; see tests/helpers/regtool.cpp."""
        return self.helper("regtool", *arguments)

    def has_robot(self):
        return os.path.exists(os.path.join(self.args.build_dir, "tests", "winrobot.exe"))

    def robot(self, *arguments):
        """The Win32 dialog robot (Wine only): finds a window by caption and
        answers it; see tests/helpers/winrobot.cpp."""
        return self.helper("winrobot", *arguments)


class ProgramTest(unittest.TestCase):
    """A test case with a fresh Sandbox in self.sandbox."""

    def setUp(self):
        self.sandbox = Sandbox(ARGS)

    def tearDown(self):
        self.sandbox.close()

    def needs_native_boxes(self):
        """Skips a test that answers message boxes when that is impossible."""
        if not self.sandbox.native and not self.sandbox.has_robot():
            self.skipTest("message boxes under Wine need the dialog robot")


def program_version():
    """The version of the program under test, as its build wrote it."""
    return identity.program_version(ARGS.build_dir)


def version_field():
    """Field 000 of the registrations the program under test sends."""
    return identity.version_field(ARGS.build_dir)


def parse_arguments(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--backend", choices=("posix", "win32"), required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--ffspack", required=True)
    # A native program on both systems: the vendor's server.
    parser.add_argument("--vendor-server")
    # Native only: the load generator of the benchmarks.
    parser.add_argument("--registration-load")
    return parser.parse_known_args(argv)


def main():
    """Entry of a scenario file: reads the CTest arguments, runs unittest."""
    global ARGS
    ARGS, rest = parse_arguments()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
