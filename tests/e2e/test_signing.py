"""Signed programs, as vendors ship them: pack, then sign with osslsigncode
(Debian's stand-in for signtool) and a throw-away certificate. The signed
program still finds and runs its script; the packer reads it and packs it
again (taking the old signature off); a script changed after signing breaks
the signature. Windows programs only: natively the program is no PE file
(the packer's side is covered by test_ffspack on built headers)."""

import os
import subprocess

from lib import harness
from lib.harness import command, script

FIRST = script(command("COMPANY NAME", "Acme"), command("PRODUCT NAME", "Signed"))
SECOND = script(command("COMPANY NAME", "Acme"), command("PRODUCT NAME", "Resigned"))


class Signing(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        if self.sandbox.native:
            self.skipTest("signatures are for Windows programs")
        self.folder = self.sandbox.folder
        self.key = os.path.join(self.folder, "vendor.key")
        self.certificate = os.path.join(self.folder, "vendor.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                        "-keyout", self.key, "-out", self.certificate, "-days", "2",
                        "-subj", "/CN=Throw-away Test Vendor"],
                       check=True, capture_output=True, timeout=120)

    def sign(self, path):
        signed = path + ".signed"
        subprocess.run(["osslsigncode", "sign", "-certs", self.certificate, "-key", self.key,
                        "-n", "Uninstall", "-in", path, "-out", signed],
                       check=True, capture_output=True, timeout=120)
        os.replace(signed, path)

    def verify(self, path):
        return subprocess.run(["osslsigncode", "verify", "-CAfile", self.certificate,
                               "-in", path], capture_output=True, text=True, timeout=120)

    def ffspack(self, *arguments):
        return subprocess.run(["wine", self.sandbox.args.ffspack, *arguments], cwd=self.folder,
                              capture_output=True, env=self.sandbox.environment(), timeout=120)

    def runs_its_script(self, product):
        result = self.sandbox.run("-Spawn", "-debug")
        self.assertEqual(result.returncode, 0, result.stderr)
        log = self.sandbox.log()
        self.assertIn("Flat/Fast File System Initialized...\n", log)
        self.assertIn("Product Name   : %s\n" % product, log)
        self.assertNotIn("doesn't contain FFS data", log)

    def test_pack_sign_run_repack_resign(self):
        program = self.sandbox.pack(FIRST)
        self.sign(program)
        verified = self.verify(program)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.runs_its_script("Signed")

        unpacked = self.ffspack("unpack", "setup.exe")
        self.assertEqual(unpacked.returncode, 0, unpacked.stderr)
        self.assertEqual(unpacked.stdout, FIRST)

        # Packing the signed program again: the old signature goes.
        with open(os.path.join(self.folder, "second.dat"), "wb") as f:
            f.write(SECOND)
        repacked = self.ffspack("pack", "setup.exe", "second.dat", "setup.exe")
        self.assertEqual(repacked.returncode, 0, repacked.stderr)
        self.assertIn(b"signature is removed", repacked.stderr)
        self.assertNotEqual(self.verify(program).returncode, 0, "no signature is left")
        self.runs_its_script("Resigned")

        self.sign(program)
        verified = self.verify(program)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.runs_its_script("Resigned")

    def test_signature_covers_the_script(self):
        program = self.sandbox.pack(FIRST)
        self.sign(program)
        with open(program, "rb") as f:
            data = bytearray(f.read())
        # The archive lies before the certificate table; change one byte of
        # the scrambled script.
        position = data.rindex(b"FFS?") + 8
        data[position] ^= 0x01
        with open(program, "wb") as f:
            f.write(data)
        self.assertNotEqual(self.verify(program).returncode, 0)


if __name__ == "__main__":
    harness.main()
