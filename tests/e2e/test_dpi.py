"""Sharp dialogs on high-DPI screens (Windows program only): the program
declares per-monitor DPI awareness, and at 192 DPI (LogPixels) every control
of its four dialogs lies inside its dialog, which has grown with the DPI.
The dialogs are made from the program's own resources by tests/helpers/
dpicheck, which takes on the awareness the program's manifest declares."""

import subprocess

from lib import harness

DIALOGS = {117: "wait", 101: "update", 1004: "registration", 1006: "e-mail verification"}
DESKTOP = "HKCU\\Control Panel\\Desktop"


class HighDpi(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        if self.sandbox.native:
            self.skipTest("DPI awareness is a Windows matter")
        self.saved = self.reg("query", DESKTOP, "/v", "LogPixels")

    def tearDown(self):
        # The prefix is shared by every test: leave its DPI as found.
        if self.saved.returncode == 0 and "LogPixels" in self.saved.stdout:
            value = int(self.saved.stdout.split()[-1], 16)
            self.set_dpi(value)
        else:
            self.reg("delete", DESKTOP, "/v", "LogPixels", "/f")
        super().tearDown()

    def reg(self, *arguments):
        return subprocess.run(["wine", "reg", *arguments], capture_output=True, text=True,
                              env=self.sandbox.environment(), timeout=120)

    def set_dpi(self, dpi):
        result = self.reg("add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi),
                          "/f")
        self.assertEqual(result.returncode, 0, result.stderr)
        subprocess.run(["wineserver", "-w"], env=self.sandbox.environment(), timeout=120)

    def layout(self, dpi):
        self.set_dpi(dpi)
        result = self.sandbox.helper("dpicheck", self.sandbox.args.program,
                                     *[str(d) for d in DIALOGS])
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = [line.split() for line in result.stdout.splitlines()]
        awareness = [line[1] for line in lines if line[0] == "awareness"]
        dialogs = {int(l[1]): (int(l[2]), int(l[3]), int(l[4])) for l in lines if l[0] == "dialog"}
        controls = [tuple(int(v) for v in l[1:]) for l in lines if l[0] == "control"]
        self.assertEqual(sorted(dialogs), sorted(DIALOGS), result.stdout)
        return awareness, dialogs, controls

    def test_controls_inside_their_dialogs_at_192_dpi(self):
        _, normal, _ = self.layout(96)
        awareness, large, controls = self.layout(192)
        self.assertEqual(awareness, ["per-monitor-v2"])
        for dialog, (dpi, width, height) in large.items():
            name = DIALOGS[dialog]
            self.assertEqual(dpi, 192, name)
            # Grown with the font, not stretched by the system.
            _, normal_width, normal_height = normal[dialog]
            self.assertGreater(width, 1.6 * normal_width, name)
            self.assertGreater(height, 1.6 * normal_height, name)
        self.assertTrue(controls)
        for dialog, control, left, top, right, bottom in controls:
            _, width, height = large[dialog]
            where = "%s dialog, control %d: (%d, %d, %d, %d) in %dx%d" % (
                DIALOGS[dialog], control, left, top, right, bottom, width, height)
            self.assertTrue(0 <= left < right <= width, where)
            self.assertTrue(0 <= top < bottom <= height, where)


if __name__ == "__main__":
    harness.main()
