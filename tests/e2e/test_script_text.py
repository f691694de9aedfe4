"""The text form of scripts and the checker: what a text compiles to, which
texts are refused (with their line), unpacking as text, and the findings of
`ffspack check` on scripts in both forms and in a packed program."""

import os
import tempfile
import unittest

from test_ffspack import Packer, archive_of
import test_ffspack

M = "\x16"

# Text, engine form it compiles to.
COMPILES = [
    ("COMPANY NAME: Acme\n", M + "COMPANY NAME:Acme\r\n"),
    ("  # comment\n\nproduct name:   Rocket  \r\n", M + "product name:Rocket\r\n"),
    ("LISTSERVER: 7 | Acme News | weekly\n", M + "LISTSERVER:7\nAcme News\nweekly\r\n"),
    ("FILE LIST: bin\\a.exe ,  b.dll, \\\n    data\\c.dat\n", M + "FILE LIST:bin\\a.exe,b.dll,data\\c.dat\r\n"),
    ("INSTALL:\nDONE:\n", M + "INSTALL:\r\n" + M + "DONE:\r\n"),
    # Missing trailing fields are empty, each with its own terminator.
    ("WINDOW: 0 | 5000 | Rocket\n", M + "WINDOW:0\n5000\nRocket\n\n\n\r\n"),
    ("ADD ITEM: 0 | $3rocket.exe | | Rocket\n", M + "ADD ITEM:0\n$3rocket.exe\n\nRocket\r\n"),
    # A "\" that ends a field is kept; only " \" continues the line.
    ("INSTALL DIR: Acme\\Rocket\\\n", M + "INSTALL DIR:Acme\\Rocket\\\r\n"),
    ("COMPANY NAME: Acme, Inc. #1\n", M + "COMPANY NAME:Acme, Inc. #1\r\n"),
    ("MESSAGE: a | b, c\n", M + "MESSAGE:a | b, c\r\n"),
    ("TEXT: one \\\n   two\n", M + "TEXT:one two\r\n"),
]

# Text, line and part of the message of each error.
REFUSED = [
    ("COMPANY NAME: Acme\nPRODUCT NAME: Rock\xe9t\n", [(2, "0xE9 is not UTF-8")]),
    ("COMPANY NAME: Acme\x01\n", [(1, "0x01 is not printable ASCII")]),
    ("COMPANY NAME: Acme | Inc\n", [(1, "'COMPANY NAME' takes 1 field, this line gives 2")]),
    ("FILE LIST: a | b\n", [(1, "takes 1 field")]),
    ("INSTALL: now\n", [(1, "'INSTALL' takes no fields")]),
    ("\n# x\nCOMPNY NAME: Acme\nDONE\n", [(3, "unknown keyword 'COMPNY NAME'"),
                                         (4, "expected 'KEYWORD: fields'")]),
    ("TEXT: a\tb\n", [(1, "a tab inside a field")]),
]


class ScriptTextTest(unittest.TestCase):
    def setUp(self):
        base = os.path.join(test_ffspack.ARGS.build_dir, "e2e-script-text")
        os.makedirs(base, exist_ok=True)
        self.packer = Packer(tempfile.mkdtemp(dir=base))
        self.packer.write("image.exe", b"MZ program image")

    def pack_text(self, text):
        self.packer.write("script.txt", text.encode("latin-1"))
        return self.packer.run("pack", "image.exe", "script.txt", "packed.exe")

    def test_texts_compile_to_the_engines_form(self):
        for text, engine in COMPILES:
            with self.subTest(text=text):
                result = self.pack_text(text)
                self.assertEqual(result.returncode, 0, result.stderr)
                _, payload, _ = archive_of(self.packer.read("packed.exe"))
                self.assertEqual(payload, engine.encode("latin-1"))

    def test_texts_that_cannot_be_expressed_are_refused_with_their_line(self):
        for text, errors in REFUSED:
            with self.subTest(text=text):
                result = self.pack_text(text)
                self.assertEqual(result.returncode, 1)
                lines = result.stderr.decode().splitlines()
                self.assertEqual(len(lines), len(errors), lines)
                for line, (number, part) in zip(lines, errors):
                    self.assertTrue(line.startswith("script.txt:%d: error: " % number), line)
                    self.assertIn(part, line)
                self.assertFalse(self.packer.exists("packed.exe"))

    def test_unpacking_as_text_gives_a_text_that_packs_to_the_same_script(self):
        engine = (M + "company name:Acme\r\n" + "comment between commands\r\n" +
                  M + "WINDOW:0\n5000\nRocket\n\n\n\r\n" +
                  M + "FILE LIST:a.exe,data\\b.dat\r\n" + M + "INSTALL DIR:\\\r\n" +
                  M + "DONE:\r\n")
        self.packer.write("script.txt", engine.encode())
        self.assertEqual(self.packer.run("pack", "image.exe", "script.txt", "first.exe").returncode, 0)
        result = self.packer.run("unpack", "--text", "first.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.decode(),
                         "company name: Acme\nWINDOW: 0 | 5000 | Rocket\n"
                         "FILE LIST: a.exe, data\\b.dat\nINSTALL DIR:\\\nDONE:\n")
        self.packer.write("again.txt", result.stdout)
        self.assertEqual(self.packer.run("pack", "image.exe", "again.txt", "second.exe").returncode, 0)
        _, first, _ = archive_of(self.packer.read("first.exe"))
        _, second, _ = archive_of(self.packer.read("second.exe"))
        self.assertEqual(second, first.replace(b"comment between commands\r\n", b""))

    def test_text_is_utf8_stored_in_its_code_page(self):
        # (pack options, UTF-8 text, stored script or the refusal's line and text)
        cases = [
            ((), "FILE LIST: café.dll\n", M + "FILE LIST:caf\xe9.dll\r\n"),
            (("--codepage", "1251"), "PRODUCT NAME: Ракета\n",
             M + "CODE PAGE:1251\r\n" + M + "PRODUCT NAME:" + "Ракета".encode("cp1251").decode("latin-1") + "\r\n"),
            (("--codepage", "1251"), "CODE PAGE: 1251\nTEXT: ж\n",
             M + "CODE PAGE:1251\r\n" + M + "TEXT:\xe6\r\n"),
            ((), "CODE PAGE: 932\nTEXT: 製品\n",
             M + "CODE PAGE:932\r\n" + M + "TEXT:" + "製品".encode("cp932").decode("latin-1") + "\r\n"),
            ((), "TEXT: a\nPRODUCT NAME: Ракета 🚀\n", (2, "'Р' cannot be stored in code page 1252")),
            (("--codepage", "1252"), "CODE PAGE: 1251\nTEXT: a\n", (1, "declares code page 1251, not 1252")),
            ((), "CODE PAGE: 437\nTEXT: a\n", (1, "code page 437 is not one the program reads")),
        ]
        for options, text, expected in cases:
            with self.subTest(text=text):
                self.packer.write("script.txt", text.encode("utf-8"))
                result = self.packer.run("pack", *options, "image.exe", "script.txt", "packed.exe")
                if isinstance(expected, tuple):
                    self.assertEqual(result.returncode, 1)
                    first = result.stderr.decode("utf-8").splitlines()[0]
                    self.assertTrue(first.startswith("script.txt:%d: error: " % expected[0]), first)
                    self.assertIn(expected[1], first)
                    continue
                self.assertEqual(result.returncode, 0, result.stderr)
                _, payload, _ = archive_of(self.packer.read("packed.exe"))
                self.assertEqual(payload, expected.encode("latin-1"))
                # Back in UTF-8, with its declaration.
                result = self.packer.run("unpack", "--text", "packed.exe")
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn(text.splitlines()[-1], result.stdout.decode("utf-8"))

    def test_unpacking_as_text_refuses_what_the_text_cannot_hold(self):
        for engine, part in [(M + "TEXT: padded\r\n", "begins or ends with a blank"),
                             (M + "TEXT:a|b\r\n", "holds a '|'"),
                             (M + "TEXT:a\n" + M + "DONE:\r\n", "skips the command"),
                             ("\r\n" + M + "NOPE:\r\n", "unknown keyword 'NOPE'")]:
            with self.subTest(engine=engine):
                self.packer.write("script.txt", engine.encode())
                self.assertEqual(self.packer.run("pack", "image.exe", "script.txt", "p.exe").returncode, 0)
                result = self.packer.run("unpack", "--text", "p.exe")
                self.assertEqual(result.returncode, 1)
                self.assertIn(part, result.stderr.decode())
                self.assertEqual(result.stdout, b"")


GOOD = """COMPANY NAME: Acme
PRODUCT NAME: Rocket
INSTALL DIR: Acme\\Rocket
INSTALL PATH:
FILE LIST: rocket.exe, $2rocket.dll
UPDATE URL: http://updates.example.test/rocket
INSTALL:
DONE:
"""

LONG = "x" * 170

# Script (text, or bytes in the engine's form), expected findings.
CHECKS = [
    (GOOD, []),
    ("COMPANY NAME: Acme\nBOGUS: 1\n", [(2, "error", "unknown keyword 'BOGUS'")]),
    ("COMPANY NAME: " + LONG + "\n",
     [(1, "error", "field 1 (name) of 'COMPANY NAME' is 170 characters long; it holds 159")]),
    ("WINDOW: 0 | 5000 | Rocket | | | " + "m" * 130 + "\n",
     [(1, "error", "field 6 (message) of 'WINDOW' is 130 characters long; it holds 119")]),
    ("INSTALL PATH:\nFILE LIST: a, " + "d" * 300 + "\nINSTALL:\n",
     [(2, "error", "entry 2 of 'FILE LIST' is 300 characters long; an entry holds 259")]),
    ("FILE LIST: a.exe\nINSTALL:\nINSTALL PATH:\n",
     [(1, "error", "'FILE LIST' is used without 'INSTALL PATH' before 'INSTALL'"),
      (1, "error", "'FILE LIST' entry 'a.exe' expands to a relative path")]),
    ("INSTALL PATH:\nTEMP LIST: $0..\\.., $1\nFILE LIST: \\\\server\\share\\x\n",
     [(2, "error", "'TEMP LIST' entry '$0..\\..' expands to the drive root 'C:\\'")]),
    ("INSTALL DIR: Acme\nINSTALL PATH:\nFILE LIST: a, ..\\Other\\b, $4t.tmp, A, $5c, $3a\n",
     [(3, "warning", "'FILE LIST' entry '..\\Other\\b' lies outside the install folder"),
      (3, "warning", "'FILE LIST' entry '$4t.tmp' lies outside the install folder"),
      (3, "warning", "'FILE LIST' entry 'A' is listed twice"),
      (3, "warning", "'FILE LIST' entry '$5c' lies outside the install folder"),
      (3, "warning", "'FILE LIST' entry '$3a' is listed twice")]),
    ("INSTALL DIR: $6Acme\nOLE: REGISTER | $8x.dll\nUNINSTALL NAME: $6u.exe\n",
     [(1, "warning", "path macro $6 in 'INSTALL DIR' expands to nothing outside the uninstall run"),
      (2, "warning", "path macro $8 in 'OLE' expands to nothing")]),
    ("COMPANY NAME: Acme\nPRODUCT NAME: Rocket\nUPDATE URL: ftp://u.test/\n"
     "REGISTER: htps://r.test/ | REG | Register?\n",
     [(3, "error", "'UPDATE URL' address 'ftp://u.test/' is not an http:// or https:// address"),
      (4, "error", "'REGISTER' address 'htps://r.test/' is not an http:// or https:// address")]),
    ("COMPANY NAME: Acme\nPRODUCT NAME: Rocket\nUPDATE URL: HTTPS://u.test/\n"
     "REGISTER: https://r.test/ | REG | Register?\n", []),
    ("COMPANY NAME: Acme\nPRODUCT NAME: Rocket\nUPDATE URL: http://u.test/\n"
     "REGISTER: HTTP://r.test/ | REG | Register?\n",
     [(4, "warning", "'REGISTER' address 'HTTP://r.test/' is not encrypted: "
                     "the user's details travel in the clear")]),
    ("COMPANY NAME: Acme\nREGISTER: https://r.test/ | REG | Register?\n",
     [(2, "warning", "'REGISTER' is given, but the script's product name is empty")]),
    ("UPDATE KEY: 04ab\n",
     [(1, "error", "'UPDATE KEY' '04ab' is not a public key (128 hexadecimal digits of a P-256 point)")]),
    ("TEXT: a\nTEXT: b | c\n", [(2, "error", "'TEXT' takes 1 field, this line gives 2")]),
    # The engine's form: lines as separated by line feeds.
    ((M + "COMPANY NAME:Acme\n" + M + "PRODUCT NAME:Rocket\r\n").encode(),
     [(1, "error", "'COMPANY NAME' ends in a single terminator before the next command")]),
    ((M + "TEXT:x\r\n" + M + "WINDOW:0\n5000\r\n" + M + "DONE:\r\n").encode(),
     [(2, "error", "'WINDOW' has 4 of its 6 fields: the next command is read")]),
    ((M + "COMPANY NAME:Acme" + M + "DONE:\r\n").encode(),
     [(1, "error", "'COMPANY NAME' has no line end")]),
    ((M + "MESSAGE:hello " + M + "DONE:\r\n").encode(),
     [(1, "error", "'MESSAGE' takes the rest of its line: the command inside it never runs")]),
    ((M + "ADD ITEM:0\nx").encode(),
     [(1, "error", "'ADD ITEM' has 2 of its 4 fields before the end of the script")]),
    # Words the program takes for a keyword by its length and hash alone;
    # letter case is no difference.
    ("INSTALL PATH:\nLILE FIST: a.exe\n'4sta\"6:\nproduct name: Rocket\n",
     [(2, "warning", "'LILE FIST' is not a keyword, but the program reads it as 'FILE LIST' "
                     "(same length and hash)"),
      (3, "warning", "''4sta\"6' is not a keyword, but the program reads it as 'INSTALL'")]),
    ((M + "COMPANY NAME:Acme\r\n" + M + "COMPANY NAMF:Acme\r\n" + M + "CYMPANO NAME:x\r\n").encode(),
     [(2, "error", "unknown keyword 'COMPANY NAMF'"),
      (3, "warning", "'CYMPANO NAME' is not a keyword, but the program reads it as 'COMPANY NAME'")]),
]

TRAILER_INTO_IMAGE = (8).to_bytes(4, "little")

# Programs whose script the program cannot find: (image, damage to the packed
# file or None for an unpacked one, the finding's ending).
NO_SCRIPT = [
    (b"MZ" + b"COMPANY NAME: x\n" * 200, None, "carries no script: no archive is appended to it"),
    (b"\x7fELF" + b"\x16TEXT:x\r\n" * 200 + b"\0\0\0\0", None,
     "carries no script: no archive is appended to it"),
    (b"MZ image", lambda packed: packed[:-4] + TRAILER_INTO_IMAGE,
     "carries no script, or its appended data is damaged: its last four bytes point at offset 8, "
     "where no archive begins"),
    (b"MZ image", lambda packed: packed[:-6], "carries no script"),
]


class CheckTest(unittest.TestCase):
    def setUp(self):
        base = os.path.join(test_ffspack.ARGS.build_dir, "e2e-check")
        os.makedirs(base, exist_ok=True)
        self.packer = Packer(tempfile.mkdtemp(dir=base))

    def check(self, name):
        result = self.packer.run("check", name)
        findings = []
        for line in result.stdout.decode().splitlines():
            file, number, severity, text = line.split(":", 3)
            self.assertEqual(file, name)
            findings.append((int(number), severity.strip(), text.strip()))
        return result.returncode, findings

    def test_findings_of_each_script(self):
        for script, expected in CHECKS:
            with self.subTest(script=script):
                data = script if isinstance(script, bytes) else script.encode()
                self.packer.write("script.txt", data)
                status, findings = self.check("script.txt")
                self.assertEqual(len(findings), len(expected), findings)
                for (number, severity, text), want in zip(findings, expected):
                    self.assertEqual((number, severity), want[:2], text)
                    self.assertTrue(text.startswith(want[2]), text)
                errors = any(severity == "error" for _, severity, _ in expected)
                self.assertEqual(status, 1 if errors else 0)

    def test_a_packed_program_is_checked_by_its_script(self):
        self.packer.write("image.exe", b"MZ image")
        self.packer.write("script.txt", b"COMPANY NAME: Acme\nREGISTER: https://r.test/ | A | B\n")
        self.assertEqual(self.packer.run("pack", "image.exe", "script.txt", "p.exe").returncode, 0)
        status, findings = self.check("p.exe")
        self.assertEqual(status, 0)
        self.assertEqual([f[:2] for f in findings], [(2, "warning")])

    def test_a_program_without_its_script_is_one_error(self):
        self.packer.write("script.txt", b"COMPANY NAME: Acme\n")
        for image, damage, ending in NO_SCRIPT:
            with self.subTest(image=image[:8], damage=damage is not None):
                self.packer.write("image.exe", image)
                if damage:
                    self.packer.run("pack", "image.exe", "script.txt", "p.exe")
                    self.packer.write("p.exe", damage(self.packer.read("p.exe")))
                else:
                    self.packer.write("p.exe", image)
                status, findings = self.check("p.exe")
                self.assertEqual(status, 1)
                self.assertEqual(len(findings), 1, findings)
                self.assertEqual(findings[0][:2], (1, "error"))
                self.assertIn("'p.exe' is a program that " + ending, findings[0][2])
                self.assertTrue(findings[0][2].endswith(
                    "(the program reports the file damaged and does nothing)"), findings[0][2])

    def test_usage_and_unreadable_files_exit_with_2(self):
        for arguments in [("check",), ("check", "a", "b"), ("check", "missing.txt")]:
            with self.subTest(arguments=arguments):
                result = self.packer.run(*arguments)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")


if __name__ == "__main__":
    test_ffspack.main()
