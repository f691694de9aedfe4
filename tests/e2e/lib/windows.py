"""Running windows of a product, for the tests that close them.

    from lib.windows import ProductWindows, virtual_display

    display = virtual_display()          # natively: a private Xvfb
    windows = ProductWindows(sandbox)
    windows.start(title="Test Product", on_close="refuse")
    ...
    windows.events()                     # ["ready Test Product", "closed ..."]
    windows.stop()

The windows are tests/helpers/testwindow: X11 windows natively, Win32
windows under Wine (on the display the Wine tests run on). Each one writes
its events to a log in the sandbox and ends when the test stops it.
"""

import os
import subprocess
import time

_display = None


def virtual_display():
    """Natively the window tests get a private X server; its display name."""
    global _display
    if _display is None:
        read_end, write_end = os.pipe()
        # -noreset: a server that resets when its last client leaves refuses
        # whoever connects during the reset (a window manager starting just
        # as a short-lived xwininfo ends).
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset",
                                   "-nolisten", "tcp", "-screen", "0", "800x600x24"],
                                  pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            server.kill()
            raise RuntimeError("Xvfb did not start")
        _display = (server, ":" + number)
    return _display[1]


def stop_virtual_display():
    global _display
    if _display is not None:
        _display[0].terminate()
        _display[0].wait(timeout=30)
        _display = None


class ProductWindows:
    """The test windows of one test, in the folder windows/ of its sandbox."""

    def __init__(self, sandbox):
        self.sandbox = sandbox
        self.folder = os.path.join(sandbox.folder, "windows")
        os.makedirs(self.folder, exist_ok=True)
        # Programs the tested program starts again inherit it too.
        sandbox.extra_environment["TESTWINDOW_DIR"] = self.folder
        if sandbox.native:
            sandbox.extra_environment["DISPLAY"] = virtual_display()
        self.processes = []

    def program(self):
        """The test window program, as the tested program names it."""
        suffix = "" if self.sandbox.native else ".exe"
        return os.path.join(self.sandbox.args.build_dir, "tests", "testwindow" + suffix)

    def start(self, title="Test Product", class_name="TestProduct", on_close="close"):
        command = self.sandbox._launcher(self.program()) + [
            "--class", class_name, "--title", title, "--on-close", on_close]
        self.processes.append(subprocess.Popen(command, env=self.sandbox.environment(),
                                               stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))
        self.wait_for("ready " + title)

    def events(self):
        path = os.path.join(self.folder, "log")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def wait_for(self, event, timeout=30, count=1):
        """Waits until the event has happened `count` times."""
        deadline = time.monotonic() + timeout
        while self.events().count(event) < count:
            if time.monotonic() > deadline:
                raise AssertionError("no %r among %r" % (event, self.events()))
            time.sleep(0.05)

    def answer(self, yes):
        """The user's answer to the question an "ask" window puts (X11)."""
        open(os.path.join(self.folder, "answer-yes" if yes else "answer-no"), "w").close()

    def stop(self):
        """Ends every test window, also those the tested program started."""
        open(os.path.join(self.folder, "stop"), "w").close()
        for process in self.processes:
            try:
                process.wait(timeout=60)
            except subprocess.TimeoutExpired:
                process.kill()
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            events = [e.split(" ")[0] for e in self.events()]
            if events.count("ended") >= events.count("ready"):
                break
            time.sleep(0.05)
