"""The update against a real web server: Debian's nginx on a loopback port,
serving the version information and a signed release as plain files, asked
directly and through tinyproxy, on both systems. The vendor's key pair and
the release's signature are made with the packer, as a vendor would."""

import os
import shutil
import subprocess

from lib import harness
from lib.harness import command, script
from lib.nginx import Nginx
from lib.registration import PROXY, Server
from test_update import (CAPTION, NO_CONTACT, QUESTION, RETRY_CHECK, RETRY_DOWNLOAD, SUCCESS,
                         UpdateTest, block, message_boxes, record)

INTERNET_SETTINGS = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"


class NginxUpdate(UpdateTest):

    def setUp(self):
        super().setUp()
        self.deferred = []
        self.nginx = self.start_nginx(os.path.join(self.sandbox.folder, "nginx"))
        # Also when a subclass's setUp skips the test (no tearDown then).
        self.addCleanup(self.nginx.stop)

    def start_nginx(self, folder):
        return Nginx(folder)

    def tearDown(self):
        for undo in reversed(self.deferred):
            undo()
        super().tearDown()

    def defer(self, undo):
        self.deferred.append(undo)

    def ffspack(self, *arguments):
        """The packer of this build (under Wine for the Windows build), run
        in the sandbox with relative paths; its output line."""
        sandbox = self.sandbox
        result = subprocess.run(sandbox._launcher(sandbox.args.ffspack) + list(arguments),
                                cwd=sandbox.folder, env=sandbox.environment(),
                                capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.strip()

    def publish(self, version="1.60", signed_version=None, download=None):
        """The release as nginx serves it, the version information naming
        it (at `download`, by default its plain address), and the key the
        script will carry. Returns the public key."""
        release = os.path.join(self.sandbox.folder, "release", "demo.exe")
        os.makedirs(os.path.dirname(release))
        shutil.copyfile(self.release_program(), release)
        shutil.copyfile(release, self.nginx.www("files/demo.exe"))
        key = self.ffspack("keygen", "vendor.key")
        signature = self.ffspack("sign", "vendor.key", "release/demo.exe", "Tolvane Demo",
                                 signed_version or version)
        info = (block("Tolvane Other", "9.0", "http://127.0.0.1/other", "http://127.0.0.1/x") +
                record("1", "Tolvane Demo") + record("2", version) +
                record("3", "http://127.0.0.1/demo") +
                record("4", download or self.nginx.url("/files/demo.exe")) +
                record("5", signature) +
                record("0"))
        with open(self.nginx.www("update/versions.txt"), "wb") as f:
            f.write(info.encode("latin-1"))
        return key

    def pack_with_key(self, key, path="/update/versions.txt", url=None):
        self.sandbox.pack(script(self.product.settings(registry_path=False),
                                 command("PRODUCT VERSION", "1.54"),
                                 command("UPDATE URL", url or self.nginx.url(path)),
                                 command("UPDATE KEY", key),
                                 command("DONE")))

    def use_proxy(self, *arguments):
        # Under Wine the packer's steps before the run take a while: the
        # proxy must outlive them.
        proxy = Server(self.sandbox, self.defer, "proxy", PROXY, "--lifetime", "900", *arguments)
        self.sandbox.regtool("set-dword", "1", INTERNET_SETTINGS, "ProxyEnable", "1")
        self.sandbox.regtool("set-string", "1", INTERNET_SETTINGS, "ProxyServer",
                             "http=127.0.0.1:%d;https=127.0.0.1:%d" % (proxy.port, proxy.port))
        # Under Wine the registry is the prefix's, shared with later tests.
        self.defer(lambda: self.sandbox.regtool("set-dword", "1", INTERNET_SETTINGS,
                                                "ProxyEnable", "0"))
        return proxy

    def update_and_accept(self):
        if self.sandbox.native:
            result = self.check(["yes", "1026"])
            self.assertEqual(message_boxes(result.stdout), [QUESTION, SUCCESS])
        else:
            texts = self.check_with_robot([(CAPTION, "Yes"), (CAPTION, "1026"), (CAPTION, "OK")])
            self.assertEqual(texts[2], SUCCESS[1])

    def assert_installed(self):
        self.assertEqual(self.release_starts(), ["-Quiet"])
        self.assertEqual(self.demo_program(), self.release_bytes())
        self.assertEqual(self.product_files(), ["demo.exe"])
        log = self.sandbox.log()
        self.assertIn("Signature of 'demo.exe' verified\n", log)
        size = len(self.release_bytes())
        self.assertEqual(self.nginx.requests(),
                         ["GET /update/versions.txt HTTP/1.0 200 %d" % os.path.getsize(
                             self.nginx.www("update/versions.txt")),
                          "GET /files/demo.exe HTTP/1.0 200 %d" % size])


class BothSystems(NginxUpdate):

    def test_signed_release_directly(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish())
        self.update_and_accept()
        self.assert_installed()
        self.assertIn("Update on phase 0\n", self.sandbox.log())

    def test_signed_release_through_tinyproxy(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish())
        proxy = self.use_proxy()
        self.update_and_accept()
        self.assert_installed()
        log = self.sandbox.log()
        self.assertIn("Proxy Enabled (0x00000001) : 127.0.0.1:%d\n" % proxy.port, log)
        self.assertNotIn("Update on phase 1\n", log)
        self.assertNotIn("Update download on phase 1\n", log)
        with open(proxy.path("tinyproxy.log")) as f:
            through = f.read()
        self.assertIn(self.nginx.url("/files/demo.exe"), through)


class NativeOnly(NginxUpdate):

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_moved_version_information_is_followed(self):
        self.pack_with_key(self.publish(), path="/moved/versions.txt")
        self.update_and_accept()
        self.assertEqual(self.release_starts(), ["-Quiet"])
        self.assertEqual(self.nginx.requests()[0].split(" ")[:4],
                         ["GET", "/moved/versions.txt", "HTTP/1.0", "301"])

    def test_missing_release_page_is_never_installed(self):
        self.pack_with_key(self.publish())
        os.remove(self.nginx.www("files/demo.exe"))
        result = self.check(["yes", "1026", "no"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, RETRY_DOWNLOAD, NO_CONTACT])
        self.assertEqual(self.demo_program(), b"the old release")
        self.assertEqual(self.product_files(), ["demo.exe"])
        self.assertEqual(self.release_starts(), [])
        self.assertIn("Server replied 'HTTP/1.1 404 Not Found'\n", self.sandbox.log())

    def test_older_release_offered_as_newer_is_refused(self):
        # A genuine signature of 1.55, replayed under the version 1.60.
        self.pack_with_key(self.publish(version="1.60", signed_version="1.55"))
        result = self.check(["yes", "1026", "no"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, RETRY_DOWNLOAD, NO_CONTACT])
        self.assertEqual(self.release_starts(), [])
        self.assertEqual(self.demo_program(), b"the old release")
        self.assertIn("Bad signature for 'demo.exe' 1.60 (Tolvane Demo)\n", self.sandbox.log())

    def test_missing_version_information_asks_to_try_again(self):
        self.pack_with_key(self.publish())
        os.remove(self.nginx.www("update/versions.txt"))
        result = self.check(["yes", "no"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, RETRY_CHECK, NO_CONTACT])


if __name__ == "__main__":
    harness.main()
