"""The product's windows under a real reparenting window manager natively:
twm frames every client and announces no client list, so the children of
the root are its frames; "WINDOW" must still find and close the product's
window (a real X client, xmessage) below its frame."""

import os
import subprocess
import time

from lib import harness
from lib.harness import command, script
from lib.product import Product
from lib.windows import stop_virtual_display, virtual_display

TITLE = "Rocket Notice"
LISTED = ["demo.exe", "data\\sample.dat"]


class ReparentingManagerTest(harness.ProgramTest):
    def setUp(self):
        super().setUp()
        self.processes = []

    def tearDown(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
        stop_virtual_display()
        super().tearDown()

    def start(self, *arguments):
        process = subprocess.Popen(arguments, env=self.sandbox.environment(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def x(self, *arguments):
        return subprocess.run(arguments, env=self.sandbox.environment(), capture_output=True,
                              text=True, timeout=30).stdout

    def wait_until_managed(self):
        """Until twm has framed the client and marked it with WM_STATE."""
        # twm loads its fonts first, slowly on a busy machine.
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            tree = self.x("xwininfo", "-name", TITLE, "-tree")
            state = self.x("xprop", "-name", TITLE, "WM_STATE")
            if "WM_STATE(WM_STATE)" in state and "Parent window id" in tree and \
                    "(the root window)" not in tree.split("Parent window id")[1].split("\n")[0]:
                return
            time.sleep(0.1)
        self.fail("twm did not frame the client")

    def test_a_client_framed_by_twm_is_found_and_closed(self):
        if not self.sandbox.native:
            self.skipTest("X11 window managers are the native build's")
        self.sandbox.extra_environment["DISPLAY"] = virtual_display()
        rc = os.path.join(self.sandbox.folder, "twmrc")
        with open(rc, "w") as f:
            # Without NoGrabServer twm holds the server while it places and
            # frames a window; RandomPlacement places without the pointer.
            # Xvfb carries the "fixed" font only.
            f.write("NoGrabServer\nRandomPlacement\n")
            for font in ("TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont"):
                f.write('%s "fixed"\n' % font)
        self.start("twm", "-f", rc)
        client = self.start("xmessage", "-title", TITLE, "Rocket is running.")
        self.wait_until_managed()
        root = self.x("xprop", "-root", "_NET_CLIENT_LIST")
        self.assertIn("no such atom", root, "twm announces no client list")

        product = Product(self.sandbox, "Tolvane", "Demo")
        product.install({"demo.exe": "program", "data\\sample.dat": "data"})
        product.record()
        self.sandbox.pack(product.script(
            files=LISTED,
            before_install=script(command("WINDOW", "0", "5000", TITLE, "Xmessage", "", "Close it"))))
        result = self.sandbox.run("-Spawn", "-debug", input="yes\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("Window Match 0: [%s / Xmessage]" % TITLE, self.sandbox.log())
        client.wait(timeout=30)
        self.assertFalse(any(product.exists(relative) for relative in LISTED))


if __name__ == "__main__":
    harness.main()
