"""The packer: pack and unpack round trips, repacking, the trailer padding and
the errors, checked against an independent reading of the archive layout."""

import argparse
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

KEY = b"PackageSealKey"
TAG = b"FFS?"
MARKER = 0x16
MAXIMUM_PADDING = 15
# A packed file's length is a multiple of this, so that signing appends the
# certificate table right behind the trailer.
ALIGNMENT = 8

ARGS = None


def key_stream(length):
    """What the loader XORs into byte i of the block behind the tag."""
    return bytes(KEY[i % len(KEY)] ^ (i % len(KEY)) ^ (i & 0xFF) for i in range(length))


def scramble(data):
    return bytes(a ^ b for a, b in zip(data, key_stream(len(data))))


def archive_of(packed):
    """(tag offset, payload, block as the loader sees it) of a packed file."""
    tag_offset = int.from_bytes(packed[-4:], "little")
    assert 0 < tag_offset < len(packed), "trailer does not point into the file"
    assert packed[tag_offset:tag_offset + 4] == TAG, "no tag at the trailer's offset"
    block = scramble(packed[tag_offset + 4:])
    return tag_offset, block[:-4], block


def image_without_tag(length, seed):
    rng = random.Random(seed)
    image = bytes(rng.randrange(256) for _ in range(length))
    return image.replace(TAG, b"FFS!")


PE_HEADER = 0x80
OPTIONAL_HEADER = PE_HEADER + 24
CHECKSUM = OPTIONAL_HEADER + 64
SECURITY_ENTRY = OPTIONAL_HEADER + 112 + 4 * 8   # PE32+, fifth directory


def pe_image(length, checksum=0):
    """A program image with just the headers a signature is found by."""
    image = bytearray(image_without_tag(length, length))
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, PE_HEADER)
    image[PE_HEADER:PE_HEADER + 4] = b"PE\0\0"
    struct.pack_into("<H", image, PE_HEADER + 4 + 16, 240)
    struct.pack_into("<H", image, OPTIONAL_HEADER, 0x20B)
    struct.pack_into("<I", image, CHECKSUM, checksum)
    struct.pack_into("<I", image, OPTIONAL_HEADER + 108, 16)
    struct.pack_into("<II", image, SECURITY_ENTRY, 0, 0)
    return bytes(image)


CERTIFICATES = b"certificate table".ljust(32, b"\0")


def signed(program):
    """What a signing tool does: pad to 8 bytes, append the certificate
    table, point the security entry at it."""
    padded = bytearray(program + b"\0" * (-len(program) % 8))
    struct.pack_into("<II", padded, SECURITY_ENTRY, len(padded), len(CERTIFICATES))
    return bytes(padded) + CERTIFICATES


def pe_checksum(data):
    total = 0
    for i in range(0, len(data), 2):
        if CHECKSUM <= i < CHECKSUM + 4:
            continue
        total += data[i] | (data[i + 1] << 8 if i + 1 < len(data) else 0)
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(data)


class Packer:
    def __init__(self, folder):
        self.folder = folder

    def run(self, *arguments):
        command = [ARGS.ffspack, *arguments]
        if ARGS.backend == "win32":
            command = ["wine", *command]
        return subprocess.run(command, cwd=self.folder, capture_output=True, timeout=120)

    def write(self, name, data):
        with open(os.path.join(self.folder, name), "wb") as file:
            file.write(data)

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as file:
            return file.read()

    def exists(self, name):
        return os.path.exists(os.path.join(self.folder, name))

    def pack(self, image, script, name="packed.exe"):
        self.write("image.exe", image)
        self.write("script.txt", script)
        result = self.run("pack", "image.exe", "script.txt", name)
        assert result.returncode == 0, result.stderr.decode(errors="replace")
        return self.read(name)


class PackerFolderTest(unittest.TestCase):
    """A fresh folder for each test, and the packer working in it."""

    def setUp(self):
        base = os.path.join(ARGS.build_dir, "e2e-ffspack")
        os.makedirs(base, exist_ok=True)
        self.folder = tempfile.mkdtemp(dir=base)
        self.packer = Packer(self.folder)

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)


class PackerTest(PackerFolderTest):

    def assert_sound_layout(self, packed, image, script):
        tag_offset, payload, block = archive_of(packed)
        padding = tag_offset - len(image)
        self.assertEqual(packed[:len(image)], image)
        self.assertTrue(0 <= padding <= MAXIMUM_PADDING, padding)
        self.assertEqual(len(packed), tag_offset + 4 + len(payload) + 4)
        self.assertEqual(len(packed) % ALIGNMENT, 0)
        # The script is stored as given, followed only by line ends.
        self.assertEqual(payload[:len(script)], script)
        tail = payload[len(script):]
        self.assertEqual(tail, b"\r\n" * (len(tail) // 2))
        self.assertTrue(payload.endswith(b"\n"))
        # No phantom command in the unscrambled trailer.
        self.assertNotIn(MARKER, block[-4:])
        return padding, payload

    def test_round_trip_keeps_the_script(self):
        image = image_without_tag(3000, 1)
        script = b"\x16COMPANY NAME:Acme\r\n\x16PRODUCT NAME:Widget \xe9\r\n"
        packed = self.packer.pack(image, script)
        _, payload = self.assert_sound_layout(packed, image, script)
        self.assertEqual(payload, script)

        to_stdout = self.packer.run("unpack", "packed.exe")
        self.assertEqual(to_stdout.returncode, 0, to_stdout.stderr)
        self.assertEqual(to_stdout.stdout, script)
        to_file = self.packer.run("unpack", "packed.exe", "back.txt")
        self.assertEqual(to_file.returncode, 0, to_file.stderr)
        self.assertEqual(self.packer.read("back.txt"), script)

    def test_script_without_line_end_gets_one(self):
        image = image_without_tag(500, 2)
        for script in (b"\x16COMPANY NAME:Acme", b"", b"\x16TEXT:a\r"):
            with self.subTest(script=script):
                _, payload = self.assert_sound_layout(self.packer.pack(image, script), image, script)
                self.assertTrue(payload.startswith(script + b"\r\n"))

    def test_empty_program_still_gets_a_nonzero_trailer(self):
        packed = self.packer.pack(b"", b"\x16TEXT:x\r\n")
        tag_offset, _, _ = archive_of(packed)
        self.assertGreater(tag_offset, 0)

    def test_packed_program_is_executable(self):
        if ARGS.backend != "posix":
            self.skipTest("execute bits are a POSIX matter")
        self.packer.pack(b"image", b"\x16TEXT:x\r\n")
        mode = os.stat(os.path.join(self.folder, "packed.exe")).st_mode
        # Whoever may read it may run it.
        for read, execute in ((0o400, 0o100), (0o040, 0o010), (0o004, 0o001)):
            self.assertEqual(bool(mode & read), bool(mode & execute), oct(mode))
        self.assertTrue(mode & 0o100)

    def test_repacking_replaces_the_archive(self):
        image = image_without_tag(2000, 3)
        first = self.packer.pack(image, b"\x16TEXT:first script\r\n", "first.exe")
        first_tag, _, _ = archive_of(first)

        self.packer.write("second.txt", b"\x16TEXT:second\r\n")
        result = self.packer.run("pack", "first.exe", "second.txt", "second.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        second = self.packer.read("second.exe")
        tag_offset, payload, _ = archive_of(second)
        self.assertEqual(payload, b"\x16TEXT:second\r\n")
        # The new archive sits where the old tag stood (plus padding): the old
        # archive is gone, not nested inside the image.
        self.assertEqual(second[:first_tag], first[:first_tag])
        self.assertLessEqual(tag_offset - first_tag, MAXIMUM_PADDING)
        self.assertEqual(second.count(TAG), 1)

        # In place: the program is replaced by its repacked self.
        result = self.packer.run("pack", "second.exe", "second.txt", "second.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        _, payload, _ = archive_of(self.packer.read("second.exe"))
        self.assertEqual(payload, b"\x16TEXT:second\r\n")
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["first.exe", "image.exe", "script.txt", "second.exe", "second.txt"])

    def test_padding_keeps_the_marker_out_of_the_trailer(self):
        # Cases where the plain layout (no padding, no extra line end) would
        # put a marker into the unscrambled trailer, in each of its bytes.
        cases = {}
        stream = key_stream(600 + 4)
        for image_length in range(1, 70000, 997):
            trailer = image_length.to_bytes(4, "little")
            for script_length in range(2, 600):
                for index in range(4):
                    if trailer[index] ^ stream[script_length + index] == MARKER:
                        cases.setdefault(index, []).append((image_length, script_length))
        self.assertEqual(sorted(cases), [0, 1, 2, 3])
        rng = random.Random(4)
        per_byte = 25 if ARGS.backend == "posix" else 2
        chosen = [case for index in sorted(cases)
                  for case in rng.sample(cases[index], min(per_byte, len(cases[index])))]
        # and a sweep of plain lengths
        sweep = 120 if ARGS.backend == "posix" else 4
        chosen += [(rng.randrange(1, 5000), rng.randrange(2, 3000)) for _ in range(sweep)]

        lengthened = 0
        for image_length, script_length in chosen:
            image = image_without_tag(image_length, image_length)
            script = b"\x16TEXT:" + b"x" * (script_length - 8) + b"\r\n"
            with self.subTest(image=image_length, script=len(script)):
                _, payload = self.assert_sound_layout(self.packer.pack(image, script), image, script)
                lengthened += len(payload) > len(script)
        # The upper trailer bytes can only be moved by lengthening the script.
        self.assertGreater(lengthened, 0)

    def test_signed_programs(self):
        image = pe_image(3001, checksum=0x1234)
        script = b"\x16TEXT:signed\r\n"
        self.packer.write("signed.exe", signed(self.packer.pack(image, script)))
        # Read as ending where the certificate table begins.
        result = self.packer.run("unpack", "signed.exe")
        self.assertEqual((result.returncode, result.stdout), (0, script), result.stderr)

        cases = {"packed and signed": "signed.exe", "signed, never packed": "image.exe"}
        self.packer.write("image.exe", signed(image))
        self.packer.write("new.txt", b"\x16TEXT:new\r\n")
        for what, program in cases.items():
            with self.subTest(what):
                result = self.packer.run("pack", program, "new.txt", "out.exe")
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn(b"signature is removed", result.stderr)
                out = self.packer.read("out.exe")
                self.assertNotIn(CERTIFICATES, out)
                self.assertEqual(struct.unpack_from("<II", out, SECURITY_ENTRY), (0, 0))
                _, payload, _ = archive_of(out)
                self.assertEqual(payload, b"\x16TEXT:new\r\n")
                self.assertEqual(len(out) % ALIGNMENT, 0)
                self.assertEqual(struct.unpack_from("<I", out, CHECKSUM)[0], pe_checksum(out))
                self.assertEqual(out[:CHECKSUM], image[:CHECKSUM])
                self.assertEqual(out[CHECKSUM + 4:SECURITY_ENTRY], image[CHECKSUM + 4:SECURITY_ENTRY])

        # Unsigned programs are packed without a word; a zero checksum stays.
        unsigned = pe_image(2000)
        self.packer.write("plain.exe", unsigned)
        result = self.packer.run("pack", "plain.exe", "new.txt", "out.exe")
        self.assertEqual((result.returncode, result.stderr), (0, b""))
        self.assertEqual(self.packer.read("out.exe")[:len(unsigned)], unsigned)

    def test_errors_fail_with_a_message(self):
        self.packer.write("program.exe", b"plain program without archive")
        self.packer.write("script.txt", b"\x16TEXT:x\r\n")
        os.mkdir(os.path.join(self.folder, "folder"))
        cases = [
            ((), "usage"),
            (("pack",), "usage"),
            (("pack", "program.exe", "script.txt"), "usage"),
            (("unpack",), "usage"),
            (("unpack", "a", "b", "c"), "usage"),
            (("frobnicate",), "frobnicate"),
            (("pack", "missing.exe", "script.txt", "out.exe"), "missing.exe"),
            (("pack", "program.exe", "missing.txt", "out.exe"), "missing.txt"),
            (("pack", "program.exe", "folder", "out.exe"), "folder"),
            (("pack", "program.exe", "script.txt", "nowhere/out.exe"), "out.exe"),
            (("unpack", "missing.exe"), "missing.exe"),
            (("unpack", "program.exe"), "program.exe"),
            (("unpack", "program.exe", "out.txt"), "program.exe"),
        ]
        for arguments, mentioned in cases:
            with self.subTest(arguments=arguments):
                result = self.packer.run(*arguments)
                self.assertNotEqual(result.returncode, 0)
                message = result.stderr.decode(errors="replace")
                self.assertIn("ffspack", message)
                self.assertIn(mentioned, message)
                self.assertEqual(result.stdout, b"")
        self.assertFalse(self.packer.exists("out.exe"))
        self.assertFalse(self.packer.exists("out.txt"))
        self.assertEqual(sorted(os.listdir(self.folder)), ["folder", "program.exe", "script.txt"])


# SubjectPublicKeyInfo of a P-256 key, up to the uncompressed point.
P256_KEY_PREFIX = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d030107034200")


def der_integer(value):
    value = value.lstrip(b"\0") or b"\0"
    if value[0] & 0x80:
        value = b"\0" + value
    return b"\x02" + bytes([len(value)]) + value


class SigningTest(PackerFolderTest):
    """keygen, sign and verify; each signature is also checked by the
    openssl tool, an implementation of its own."""

    def line(self, *arguments):
        result = self.packer.run(*arguments)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode().strip()

    def openssl_accepts(self, key, signature, text):
        for name, data in [("key.der", P256_KEY_PREFIX + b"\x04" + bytes.fromhex(key)),
                           ("text", text)]:
            self.packer.write(name, data)
        raw = bytes.fromhex(signature)
        body = der_integer(raw[:32]) + der_integer(raw[32:])
        self.packer.write("sig.der", b"\x30" + bytes([len(body)]) + body)
        return subprocess.run(["openssl", "dgst", "-sha256", "-verify", "key.der", "-keyform",
                               "DER", "-signature", "sig.der", "text"], cwd=self.folder,
                              capture_output=True).returncode == 0

    def test_a_signature_holds_for_its_release_only(self):
        key = self.line("keygen", "vendor.key")
        self.assertRegex(key, r"^[0-9a-f]{128}$")
        if ARGS.backend == "posix":
            self.assertEqual(os.stat(os.path.join(self.folder, "vendor.key")).st_mode & 0o777,
                             0o600)
        os.makedirs(os.path.join(self.folder, "dist"))
        self.packer.write("dist/widget-setup.exe", b"release bytes")
        signature = self.line("sign", "vendor.key", "dist/widget-setup.exe", "Acme Widget", "1.9")
        self.assertRegex(signature, r"^[0-9a-f]{128}$")

        text = ("Acme Widget\n1.9\nwidget-setup.exe\n%s\n" %
                hashlib.sha256(b"release bytes").hexdigest()).encode()
        self.assertTrue(self.openssl_accepts(key, signature, text))
        self.assertFalse(self.openssl_accepts(key, signature, text.replace(b"1.9", b"2.0")))

        good = ["verify", key, "dist/widget-setup.exe", "Acme Widget", "1.9", signature]
        self.assertEqual(self.packer.run(*good).returncode, 0)
        changes = [(3, "Acme Gadget"), (4, "1.10"), (5, signature[::-1]),
                   (1, self.line("keygen", "other.key"))]
        # A point off the curve: Wine's CNG imports it (Windows and OpenSSL refuse it).
        if ARGS.backend == "posix":
            changes.append((1, key[:64] + key[64:].replace("a", "b", 1)))
        for index, other in changes:
            changed = list(good)
            changed[index] = other
            result = self.packer.run(*changed)
            self.assertEqual(result.returncode, 1, changed)
            self.assertTrue(result.stderr.startswith(b"ffspack: "), result.stderr)
        self.packer.write("dist/widget-setup.exe", b"release bytez")
        self.assertEqual(self.packer.run(*good).returncode, 1)

    def test_keygen_never_replaces_a_file(self):
        self.packer.write("vendor.key", b"precious")
        result = self.packer.run("keygen", "vendor.key")
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"exists already", result.stderr)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(self.packer.read("vendor.key"), b"precious")

    def test_sign_wants_a_secret_key_file(self):
        self.packer.write("release.exe", b"x")
        self.packer.write("not.key", b"ffspack P-256 secret key\n00\n")
        result = self.packer.run("sign", "not.key", "release.exe", "A B", "1")
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"is no secret key file", result.stderr)
        self.assertEqual(self.packer.run("sign", "not.key").returncode, 2)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--backend", choices=["posix", "win32"], required=True)
    parser.add_argument("--program")
    parser.add_argument("--ffspack", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
