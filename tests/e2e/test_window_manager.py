"""The product's windows under a real reparenting window manager natively:
twm frames every client and announces no client list, so the children of
the root are its frames; "WINDOW" must still find and close the product's
window (a real X client, xmessage) below its frame, also when a manager
that has exited left its client list behind."""

import ctypes
import os
import re
import subprocess
import time

from lib import harness
from lib.harness import command, script
from lib.product import Product
from lib.windows import stop_virtual_display, virtual_display

TITLE = "Rocket Notice"
LISTED = ["demo.exe", "data\\sample.dat"]


XA_WINDOW = 33
GONE = 0x3FFFFF  # a window id no client of the test's server has


def leave_stale_client_list(display_name):
    """What an exited EWMH manager leaves on the root: a check window and a
    client list that name windows which are gone."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                    ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    root = x11.XDefaultRootWindow(display)
    gone = (ctypes.c_ulong * 1)(GONE)
    for name in (b"_NET_SUPPORTING_WM_CHECK", b"_NET_CLIENT_LIST"):
        x11.XChangeProperty(display, root, x11.XInternAtom(display, name, 0), XA_WINDOW, 32, 0,
                            gone, 1)
    x11.XCloseDisplay(display)


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
        errors = open(os.path.join(self.sandbox.folder, arguments[0] + ".err"), "wb")
        process = subprocess.Popen(arguments, env=self.sandbox.environment(),
                                   stdout=subprocess.DEVNULL, stderr=errors)
        errors.close()
        self.processes.append(process)
        return process

    def x(self, *arguments):
        return subprocess.run(arguments, env=self.sandbox.environment(), capture_output=True,
                              text=True, timeout=30).stdout

    def twm_said(self):
        with open(os.path.join(self.sandbox.folder, "twm.err"), "rb") as f:
            return f.read().decode(errors="replace")[-2000:]

    def wait_until_running(self, twm):
        """Until twm has made its own windows: it then redirects the map
        requests of new clients to itself."""
        deadline = time.monotonic() + 120
        while not re.search(r"\b[1-9][0-9]* child", self.x("xwininfo", "-root", "-children")):
            if twm.poll() is not None:
                self.fail("twm ended with status %d:\n%s" % (twm.returncode, self.twm_said()))
            if time.monotonic() > deadline:
                self.fail("twm is running but made no window in 120 s:\n%s" % self.twm_said())
            time.sleep(0.1)

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
        self.fail("twm did not frame the client:\n%s\n%s\n%s" % (
            tree, self.x("xwininfo", "-root", "-children"), self.twm_said()))

    def test_a_client_framed_by_twm_is_found_and_closed(self):
        self.close_under_twm(stale_list=False)

    def test_a_client_list_left_by_an_exited_manager_hides_nothing(self):
        self.close_under_twm(stale_list=True)

    def close_under_twm(self, stale_list):
        if not self.sandbox.native:
            self.skipTest("X11 window managers are the native build's")
        display = virtual_display()
        self.sandbox.extra_environment["DISPLAY"] = display
        rc = os.path.join(self.sandbox.folder, "twmrc")
        with open(rc, "w") as f:
            # Without NoGrabServer twm holds the server while it places and
            # frames a window; RandomPlacement places without the pointer.
            # Xvfb carries the "fixed" font only.
            f.write("NoGrabServer\nRandomPlacement\n")
            for font in ("TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont"):
                f.write('%s "fixed"\n' % font)
        self.wait_until_running(self.start("twm", "-f", rc))
        client = self.start("xmessage", "-title", TITLE, "Rocket is running.")
        self.wait_until_managed()
        root = self.x("xprop", "-root", "_NET_CLIENT_LIST")
        self.assertIn("no such atom", root, "twm announces no client list")
        if stale_list:
            leave_stale_client_list(display)
            self.assertIn("window id # 0x3fffff", self.x("xprop", "-root", "_NET_CLIENT_LIST"))

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
