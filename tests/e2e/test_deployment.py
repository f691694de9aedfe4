"""Managed deployment, on both systems: the exit statuses of silent runs as
a deployment tool reads them, "-log PATH", the policy key, and unattended
updates of signed releases from a real nginx.

Under Wine the statuses are read whole through tests/helpers/startwait
(the one Wine hands to Linux keeps only its low byte); natively a status is
8 bits, so 3010 arrives as 194. Policy values are set natively in the
prefix's registry file, under Wine with the system's `reg add`."""

import os
import re
import subprocess
from xml.etree import ElementTree

from lib import harness
from lib.harness import command, script
from lib.product import Product, boxes_shown
from test_update import VERSIONS_PATH, UpdateServer
from test_update_nginx import NginxUpdate

FILES = {"demo.exe": "demo program", "readme.txt": "Read me first.",
         "uninstall.exe": "the uninstaller"}
LISTED = ["demo.exe", "readme.txt"]
POLICY_KEY = "Software\\Policies\\Tolvane\\Demo"
HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE_REG = os.path.join(HERE, "..", "..", "policy", "acme-rocket.reg")
ROOTS = {"HKLM": ("4", "HKEY_LOCAL_MACHINE"), "HKCU": ("1", "HKEY_CURRENT_USER")}


def set_policy(test, root, name, value):
    """One policy value of Tolvane Demo, removed again after the test."""
    sandbox = test.sandbox
    if sandbox.native:
        kind = "set-dword" if isinstance(value, int) else "set-string"
        result = sandbox.regtool(kind, ROOTS[root][0], POLICY_KEY, name, str(value))
        test.assertEqual(result.returncode, 0, result.stderr)
        return
    kind = "REG_DWORD" if isinstance(value, int) else "REG_SZ"
    key = ROOTS[root][1] + "\\" + POLICY_KEY
    subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"],
                   env=sandbox.environment(), check=True, capture_output=True, timeout=120)
    # The Wine prefix is shared with the tests that follow.
    test.addCleanup(remove_policies, sandbox)


def remove_policies(sandbox):
    for selector, root in ROOTS.values():
        if sandbox.native:
            sandbox.regtool("delete-key", selector, POLICY_KEY)
        else:
            subprocess.run(["wine", "reg", "delete", root + "\\" + POLICY_KEY, "/f"],
                           env=sandbox.environment(), capture_output=True, timeout=120)


class ServersStopped:
    """Loopback servers a test starts, stopped before its sandbox goes."""

    def loopback(self, name, reply):
        server = UpdateServer(os.path.join(self.sandbox.folder, name), reply)
        self.servers.append(server)
        return server

    def stop_servers(self):
        for server in self.servers:
            server.stop()


class Templates(harness.ProgramTest):
    """The administrative template and the .reg file name what the program
    reads (src/system/policy.h), and the template's texts all exist."""

    def test_the_templates_match_the_program(self):
        if not self.sandbox.native:
            self.skipTest("the same files for both systems")
        with open(os.path.join(HERE, "..", "..", "src", "system", "policy.h")) as f:
            defines = dict(re.findall(r'#define POLICY_(\w+) "?([^"\n]*)"?', f.read()))
        names = {defines[n] for n in ("DISABLE_UPDATE_CHECK", "DISABLE_REGISTRATION",
                                      "UPDATE_URL")}
        key = defines["KEY_FORMAT"].replace("\\\\", "\\") % ("Acme", "Rocket")

        space = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
        folder = os.path.dirname(EXAMPLE_REG)
        admx = ElementTree.parse(os.path.join(folder, "acme-rocket.admx")).getroot()
        adml = ElementTree.parse(os.path.join(folder, "en-US", "acme-rocket.adml")).getroot()
        policies = admx.findall("p:policies/p:policy", space)
        self.assertEqual({p.get("key") for p in policies}, {key})
        self.assertEqual({p.get("valueName") for p in policies} - {None} |
                         {t.get("valueName") for t in admx.iter("{%s}text" % space["p"])}, names)
        text = admx.find(".//p:text", space)
        self.assertEqual(int(text.get("maxLength")), int(defines["URL_SIZE"]) - 1)
        strings = {s.get("id") for s in adml.iter("{%s}string" % space["p"])}
        presentations = {p.get("id") for p in adml.iter("{%s}presentation" % space["p"])}
        with open(os.path.join(folder, "acme-rocket.admx")) as f:
            used = re.findall(r"\$\((string|presentation)\.(\w+)\)", f.read())
        for kind, name in used:
            self.assertIn(name, strings if kind == "string" else presentations)

        with open(EXAMPLE_REG, encoding="latin-1") as f:
            example = f.read()
        self.assertIn("[HKEY_LOCAL_MACHINE\\%s]" % key, example)
        self.assertEqual(set(re.findall(r'(?m)^"(\w+)"=', example)), names)


class SilentStatuses(harness.ProgramTest):
    """Every status a silent uninstall ends with, started as a user would
    (relocating: the parent hands on its copy's status)."""

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", "Demo")
        if self.sandbox.native:
            os.makedirs(os.path.join(self.sandbox.prefix, "drive_c", "windows", "temp"),
                        exist_ok=True)

    def tearDown(self):
        self.product.remove()
        super().tearDown()

    def test_each_status_from_a_real_run(self):
        cases = [
            # name, recorded, script's extra, environment, status
            ("no installation", False, {}, {}, 1605),
            ("removed", True, {}, {}, 0),
            ("a file queued for the restart", True, {"temp": ["demo.exe"]}, {}, 3010),
            ("no script in the program", True, None, {}, 1603),
        ]
        if not self.sandbox.native:
            # Wine's token is an administrator's; the hook makes the first
            # process see a standard one and the consent refused.
            cases.append(("elevation declined", True, {}, {"UNINSTALL_TEST_STANDARD_TOKEN":
                                                           "decline"}, 1602))
        for name, recorded, extra, environment, status in cases:
            with self.subTest(name):
                self.product.install(FILES)
                if recorded:
                    self.product.record()
                if extra is None:
                    self.sandbox.plain_copy()
                else:
                    self.sandbox.pack(self.product.script(files=LISTED, **extra))
                self.sandbox.extra_environment = dict(environment)
                seen, result = self.sandbox.run_for_status("-Silent", "-debug", timeout=120)
                self.assertEqual(seen, self.sandbox.seen_status(status),
                                 result.stdout + self.sandbox.copy_log())
                self.assertEqual(boxes_shown(result.stdout), [])
                removed = not any(self.product.exists(f) for f in LISTED)
                self.assertEqual(removed, status in (0, 3010), name)
                self.product.remove()   # under Wine with its registry key
                if self.sandbox.native:
                    self.sandbox.regtool("delete-key", "1", self.product.registry_path)


class LogSwitch(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", "Demo")
        self.product.install(FILES)
        self.product.record()
        self.sandbox.pack(self.product.script(files=LISTED))
        # Started from a folder of its own, away from the program's.
        self.work = os.path.join(self.sandbox.folder, "work dir")
        os.makedirs(os.path.join(self.work, "logs here"))

    def tearDown(self):
        self.product.remove()
        super().tearDown()

    def test_a_relative_path_with_blanks_holds_the_whole_run(self):
        status, _ = self.sandbox.run_for_status("-Silent", "-log", "logs here\\un install.log",
                                                cwd=self.work)
        self.assertEqual(status, 0)
        with open(os.path.join(self.work, "logs here", "un install.log"), "rb") as f:
            log = harness.windows_text(f.read())
        self.assertEqual(log.count("ZunkCore v0.35\n"), 2, "the starter's and the copy's")
        self.assertIn("Copy: ", log)
        # The copy was handed the full path, and appends.
        self.assertRegex(log, r"Cmdline '[^\n]*-Spawn -Silent -log \"[A-Z]:\\[^\n]*\\work dir\\"
                              r"logs here\\un install\.log\" -append'")
        self.assertEqual(log.count("Successful Exit...\n"), 2)
        self.assertLess(log.index("Copy: "), log.index("-Spawn -Silent"))
        self.assertFalse(self.product.exists("demo.exe"))
        self.assertEqual([f for f in (self.sandbox.log_path(), self.sandbox.copy_log_path())
                          if os.path.exists(f)], [], "no debug.log anywhere else")

    def test_a_full_path_appends_with_append(self):
        path = os.path.join(self.sandbox.folder, "full log.txt")
        with open(path, "wb") as f:
            f.write(b"earlier run\r\n")
        name = path if self.sandbox.native else harness.windows_path(path)
        status, _ = self.sandbox.run_for_status("-Plan", "-append", "-log", name)
        self.assertEqual(status, 0)
        with open(path, "rb") as f:
            log = harness.windows_text(f.read())
        self.assertTrue(log.startswith("earlier run\n"), log)
        self.assertIn("ZunkCore v0.35\n", log)


class Policies(ServersStopped, harness.ProgramTest):
    """Tolvane Demo with an update address and a registration server, both
    the loopback server that records every request."""

    def setUp(self):
        super().setUp()
        self.servers = []
        self.product = Product(self.sandbox, "Tolvane", "Demo")
        os.makedirs(self.product.host(), exist_ok=True)
        self.vendor = self.server("vendor", "")
        self.log = os.path.join(self.sandbox.folder, "policy.log")

    def tearDown(self):
        self.stop_servers()
        self.product.remove()
        super().tearDown()

    def server(self, name, version_info):
        return self.loopback(name, "HTTP/1.0 200 OK\r\n\r\n" + version_info)

    def pack(self):
        self.sandbox.pack(script(self.product.settings(registry_path=False),
                                 command("PRODUCT VERSION", "1.54"),
                                 command("UPDATE URL", self.vendor.url(VERSIONS_PATH)),
                                 command("REGISTER", self.vendor.url("/cgi-bin/register"),
                                         "Thanks", "Would you like to register?"),
                                 command("DONE")))

    def run_logged(self, *arguments):
        name = self.log if self.sandbox.native else harness.windows_path(self.log)
        if os.path.exists(self.log):
            os.remove(self.log)
        status, result = self.sandbox.run_for_status(*arguments, "-log", name, timeout=90)
        with open(self.log, "rb") as f:
            return status, result, harness.windows_text(f.read())

    def test_switches_turn_the_update_check_and_the_registration_off(self):
        cases = [
            # root, value, arguments, log line
            ("HKLM", "DisableUpdateCheck", ["-Update", "-Silent"], "Update check disabled by policy"),
            ("HKCU", "DisableUpdateCheck", ["-Update"], "Update check disabled by policy"),
            ("HKLM", "DisableRegistration", ["-InstReg"], "Registration disabled by policy"),
            ("HKCU", "DisableRegistration", ["-Register"], "Registration disabled by policy"),
        ]
        if not self.sandbox.native:
            cases = cases[0::3]   # each value once: every Wine process costs seconds
        self.pack()
        for root, name, arguments, line in cases:
            with self.subTest(root=root, name=name):
                remove_policies(self.sandbox)
                set_policy(self, root, name, 1)
                # Nothing asked: a question would wait for its answer until
                # the time-out.
                status, result, log = self.run_logged(*arguments)
                self.assertEqual(status, 0)
                self.assertIn("Policy %s\\%s: %s = 1\n" % (ROOTS[root][1], POLICY_KEY, name), log)
                self.assertIn(line + "\n", log)
                self.assertNotIn("Question", log)
                self.assertEqual(boxes_shown(result.stdout), [])
                self.assertEqual(self.vendor.requests(), [], "nothing reaches the server")

    def test_the_mirror_is_asked_instead_of_the_vendor(self):
        mirror = self.server("mirror", "\x161Tolvane Demo\r\n\x1621.54\r\n\x160\r\n")
        self.pack()
        set_policy(self, "HKLM", "UpdateURL", mirror.url(VERSIONS_PATH))
        set_policy(self, "HKCU", "UpdateURL", self.vendor.url("/user/versions.txt"))
        status, _, log = self.run_logged("-Update", "-Silent")
        self.assertEqual(status, 0, log)
        self.assertIn("You are running the latest version of Tolvane Demo.\n", log)
        self.assertEqual([r.split("\r\n")[0] for r in mirror.requests()],
                         ["GET %s HTTP/1.0" % VERSIONS_PATH])
        self.assertEqual(self.vendor.requests(), [])

    def test_the_example_reg_file_is_read_as_written(self):
        with open(EXAMPLE_REG, "rb") as f:
            example = f.read().decode("latin-1")
        mirror = self.server("mirror", "")
        example = example.replace("Acme\\Rocket", "Tolvane\\Demo").replace(
            "http://updates.corp.example/acme/versions.txt", mirror.url(VERSIONS_PATH))
        if self.sandbox.native:
            os.makedirs(self.sandbox.prefix, exist_ok=True)
            with open(os.path.join(self.sandbox.prefix, "registry.reg"), "wb") as f:
                f.write(example.encode("latin-1"))
        else:
            path = os.path.join(self.sandbox.folder, "policy.reg")
            with open(path, "wb") as f:
                f.write(example.encode("latin-1"))
            subprocess.run(["wine", "regedit", "/s", harness.windows_path(path)],
                           env=self.sandbox.environment(), check=True, timeout=120)
            subprocess.run(["wineserver", "-w"], env=self.sandbox.environment(), timeout=300)
            self.addCleanup(subprocess.run, ["wine", "reg", "delete", "HKEY_LOCAL_MACHINE\\"
                                             "Software\\Policies\\Tolvane", "/f"],
                            env=self.sandbox.environment(), capture_output=True, timeout=120)
        self.pack()
        status, _, log = self.run_logged("-InstReg")
        self.assertEqual(status, 0)
        self.assertIn("Registration disabled by policy\n", log)
        status, _, log = self.run_logged("-Update", "-Silent")
        # The mirror has no block for the product: no version information.
        self.assertEqual(status, self.sandbox.seen_status(1603), log)
        self.assertEqual(len(mirror.requests()), 1)
        self.assertEqual(self.vendor.requests(), [])


class UnattendedUpdates(ServersStopped, NginxUpdate):
    """-Update -Silent of a signed release from nginx, asked as the policy's
    mirror; the script's own address is a loopback server nobody asks."""

    def setUp(self):
        self.servers = []
        super().setUp()
        self.defer(self.stop_servers)

    def run_unattended(self, key, tamper=False):
        if tamper:
            with open(self.nginx.www("files/demo.exe"), "ab") as f:
                f.write(b"tampered")
        vendor = self.loopback("vendor", "HTTP/1.0 404 Not Found\r\n\r\n")
        self.pack_with_key(key, url=vendor.url(VERSIONS_PATH))
        set_policy(self, "HKLM", "UpdateURL", self.nginx.url("/update/versions.txt"))
        log = os.path.join(self.sandbox.folder, "update.log")
        name = log if self.sandbox.native else harness.windows_path(log)
        status, result = self.sandbox.run_for_status("-Update", "-Silent", "-log", name,
                                                     timeout=180)
        self.assertEqual(vendor.requests(), [])
        self.assertEqual(boxes_shown(result.stdout), [])
        with open(log, "rb") as f:
            return status, harness.windows_text(f.read())

    def test_a_signed_release_is_installed_and_started_quietly(self):
        status, log = self.run_unattended(self.publish())
        self.assertEqual(status, 0, log)
        self.assertEqual(self.release_starts(), ["-Quiet"])
        self.assertEqual(self.demo_program(), self.release_bytes())
        self.assertIn("Signature of 'demo.exe' verified\n", log)
        self.assertIn("Successfully updated program to latest version!\n", log)

    def test_a_tampered_release_starts_nothing(self):
        status, log = self.run_unattended(self.publish(), tamper=True)
        self.assertEqual(status, self.sandbox.seen_status(1603), log)
        self.assertEqual(self.release_starts(), [])
        self.assertEqual(self.demo_program(), b"the old release")
        self.assertEqual(self.product_files(), ["demo.exe"])
        self.assertIn("Bad signature for 'demo.exe' 1.60 (Tolvane Demo)\n", log)
        # Nobody can be asked to try again.
        self.assertIn("Question [Electronic Update...] answered No: There was a problem "
                      "downloading the update", log)

    def test_without_the_vendors_key_nothing_is_downloaded(self):
        if not self.sandbox.native:
            self.skipTest("the same decision on both systems; covered natively")
        self.publish()
        self.sandbox.pack(script(self.product.settings(registry_path=False),
                                 command("PRODUCT VERSION", "1.54"),
                                 command("UPDATE URL", self.nginx.url("/update/versions.txt")),
                                 command("DONE")))
        status, result = self.sandbox.run_for_status("-Update", "-Silent", "-debug")
        self.assertEqual(status, self.sandbox.seen_status(1603))
        self.assertIn("An unattended update needs the vendor's key (UPDATE KEY): nothing is "
                      "downloaded or started\n", self.sandbox.copy_log())
        self.assertEqual([r.split(" ")[1] for r in self.nginx.requests()],
                         ["/update/versions.txt"])
        self.assertEqual(self.release_starts(), [])


if __name__ == "__main__":
    harness.main()
