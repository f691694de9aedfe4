"""Checking for a newer release: the question, the version information from
the loopback server, the offer, the download into the product's folder, the
new release started with "-Quiet" and the message its exit code decides.

The new release is the exitwith helper: it records how it was started
($EXITWITH_RECORD) and ends with $EXITWITH_CODE. The main scenario runs on
both systems (under Wine the dialog robot answers the real boxes and presses
"Download and install new version" on the real dialog); the others run
natively, where each costs a fraction of a second."""

import os
import re
import shutil
import signal
import subprocess
import sys
import time

from lib import harness
from lib.harness import command, script
from lib.product import Product, drive_c

CAPTION = "Electronic Update..."
QUESTION = (CAPTION, "Would you like to check for an update to Tolvane Demo electronically?")
SUCCESS = (CAPTION, "Successfully updated program to latest version!")
FAILED = (CAPTION, "Error attempting to update, please go to the site for the latest version.")
LATEST = (CAPTION, "You are running the latest version of Tolvane Demo.")
NO_INFO = (CAPTION, "Unable to retrieve version info from update server, please check the "
                    "website.")
CANCELLED = (CAPTION, "The update was cancelled.")
NO_CONTACT = (CAPTION, "Unable to contact the update server, please try again later.")
RETRY_CHECK = (CAPTION, "There was a problem checking with the update server, would you like "
                        "to try again?")
RETRY_DOWNLOAD = (CAPTION, "There was a problem downloading the update, would you like to try "
                           "again?")

VERSIONS_PATH = "/update/versions.txt"
OLD_RELEASE = b"the old release"
ROBOT_NO_CONTROL = 3
HERE = os.path.dirname(os.path.abspath(__file__))
HTTP_SERVER = os.path.join(HERE, "..", "servers", "httpserver.py")


def record(code, value=""):
    """One record of the version information."""
    return "\x16" + code + value + "\r\n"


def block(identity, version, page, download):
    return (record("1", identity) + record("2", version) + record("3", page) +
            record("4", download) + record("0"))


def message_boxes(stdout):
    """The message boxes a native run printed, as (caption, text) pairs; the
    lines of a dialog start with two blanks and are no box."""
    return re.findall(r"(?m)^=== (.*) ===\n(?!  )(.*)\n\[(?:OK\]|Yes/No\] )", stdout)


def dialog_lines(stdout):
    """The texts of the update dialog's two lines, each time it was shown."""
    return re.findall(r"(?m)^  \[1024\] (.*)\n  \[1028\] (.*)$", stdout)


class UpdateServer:
    """The loopback HTTP server: the version information at VERSIONS_PATH,
    the new release at the download path, "ok" for anything else."""

    def __init__(self, folder, version_info, download_path=None, download_reply=None, pieces=1):
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        arguments = ["--route", VERSIONS_PATH + "=" + self._case("versions", version_info)]
        if download_path is not None:
            arguments += ["--route", download_path + "=" +
                          self._case("download", download_reply, pieces)]
        ok_case = os.path.join(HERE, "..", "servers", "cases", "ok.case")
        self.process = subprocess.Popen([sys.executable, HTTP_SERVER, "--dir", folder,
                                         "--case", ok_case, "--lifetime", "300"] + arguments)
        port_file = os.path.join(folder, "port")
        for _ in range(300):
            if os.path.exists(port_file):
                break
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())

    def _case(self, name, reply, pieces=1):
        """A case file: the reply (it may name %file[...]% and %port%), its
        line ends sent as CR LF, in `pieces` pieces."""
        path = os.path.join(self.folder, name + ".case")
        with open(path, "w", encoding="latin-1") as f:
            f.write('<testcase>\n<reply crlf="yes">\n%s</reply>\n' % reply)
            f.write("<servercmd>\npieces %d\ndelay-ms %d\n</servercmd>\n</testcase>\n"
                    % (pieces, 300 if pieces > 1 else 0))
        return path

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def requests(self):
        """The request lines received, in order."""
        found = []
        number = 1
        while os.path.exists(os.path.join(self.folder, "request-%d" % number)):
            with open(os.path.join(self.folder, "request-%d" % number), "rb") as f:
                found.append(f.read().decode("latin-1"))
            number += 1
        return found

    def stop(self):
        open(os.path.join(self.folder, "stop"), "w").close()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class UpdateTest(harness.ProgramTest):
    """Tolvane Demo 1.54, installed with its program demo.exe, asking the
    loopback server for newer releases."""

    product_name = "Demo"

    def setUp(self):
        super().setUp()
        self.product = Product(self.sandbox, "Tolvane", self.product_name)
        os.makedirs(self.product.host(), exist_ok=True)
        with open(self.product.host("demo.exe"), "wb") as f:
            f.write(OLD_RELEASE)
        self.server = None
        self.release_record = os.path.join(self.sandbox.folder, "release-started")
        self.set_release_exit_code(1)

    def tearDown(self):
        if self.server:
            self.server.stop()
        self.product.remove()
        super().tearDown()

    def native_only(self):
        if not self.sandbox.native:
            self.skipTest("covered natively; the main scenario runs under Wine")

    # -- the pieces of a scenario ------------------------------------------

    def release_program(self):
        suffix = "" if self.sandbox.native else ".exe"
        return os.path.join(self.sandbox.args.build_dir, "tests", "exitwith" + suffix)

    def release_bytes(self):
        with open(self.release_program(), "rb") as f:
            return f.read()

    def set_release_exit_code(self, code):
        record_path = self.release_record
        if not self.sandbox.native:
            record_path = "Z:" + record_path.replace("/", "\\")
        self.sandbox.extra_environment.update(EXITWITH_CODE=str(code),
                                              EXITWITH_RECORD=record_path)

    def release_starts(self):
        """How the new release was started: one line of arguments per start."""
        if not os.path.exists(self.release_record):
            return []
        with open(self.release_record, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def serve(self, version_info, name="demo.exe", length=True, reply=None, pieces=1):
        """Starts the server with the version information and, under `name`,
        the new release (the exitwith helper)."""
        if reply is None:
            release = os.path.join(self.sandbox.folder, "release.bin")
            shutil.copyfile(self.release_program(), release)
            header = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
            if length:
                header += "Content-Length: %d\r\n" % os.path.getsize(release)
            reply = header + "\r\n%file[" + release + "]%"
        info = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + version_info
        self.server = UpdateServer(os.path.join(self.sandbox.folder, "server"), info,
                                   "/files/" + name, reply, pieces)

    def offer(self, version="1.60", name="demo.exe", identity="Tolvane Demo"):
        """Version information with the product's block among others."""
        download = "http://127.0.0.1:%port%/files/" + name
        return (block("Tolvane Other", "9.0", "http://127.0.0.1/other", download + ".other") +
                block(identity, version, "http://127.0.0.1/demo", download))

    def pack(self, update_url=None, registry_path=False):
        if update_url is None:
            update_url = self.server.url(VERSIONS_PATH)
        self.sandbox.pack(script(self.product.settings(registry_path=registry_path),
                                 command("PRODUCT VERSION", "1.54"),
                                 command("UPDATE URL", update_url),
                                 command("DONE")))

    def check(self, answers):
        """Runs the packed program in update mode with the answers on
        standard input (natively)."""
        result = self.sandbox.run("-Spawn", "-Update", "-debug", input="".join(
            answer + "\n" for answer in answers))
        self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def product_files(self):
        return sorted(os.listdir(self.product.host()))

    def demo_program(self):
        with open(self.product.host("demo.exe"), "rb") as f:
            return f.read()

    # -- under Wine: the robot answers ---------------------------------------

    def press_when_there(self, caption, button, seconds=90):
        """Presses `button` in the window titled `caption`. Several windows
        share the caption, so while the one found lacks the button (the box
        before is still closing, or the dialog before it), try again."""
        deadline = time.monotonic() + seconds
        while True:
            result = self.sandbox.robot("press", caption, button, "--timeout", "30000")
            if result.returncode == 0:
                return result.stdout.rstrip("\n")
            if result.returncode != ROBOT_NO_CONTROL or time.monotonic() > deadline:
                self.fail("no %r in window %r: %s" % (button, caption, result.stderr))
            time.sleep(0.2)

    def check_with_robot(self, presses):
        """Runs the packed program under Wine; the robot presses the buttons
        in order. Returns the texts of the windows it pressed them in."""
        sandbox = self.sandbox
        sandbox.clear_logs()
        process = subprocess.Popen(["wine", sandbox.program, "-Spawn", "-Update", "-debug"],
                                   cwd=sandbox.folder, env=sandbox.environment(),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        try:
            texts = [self.press_when_there(caption, button) for caption, button in presses]
            process.communicate(timeout=120)
        finally:
            if process.poll() is None:
                process.kill()
                process.communicate()
        subprocess.run(["wineserver", "-w"], env=sandbox.environment(), timeout=300)
        self.assertEqual(process.returncode, 0)
        return texts


class MainScenario(UpdateTest):

    def test_newer_release_is_downloaded_started_quietly_and_reported(self):
        self.needs_native_boxes()
        self.serve(self.offer())
        self.pack()
        if self.sandbox.native:
            result = self.check(["yes", "1026"])
            self.assertEqual(message_boxes(result.stdout), [QUESTION, SUCCESS])
            self.assertEqual(dialog_lines(result.stdout),
                             [("A new version of Tolvane Demo is available!",
                               "Current version 1.54 - New version 1.60")])
        else:
            texts = self.check_with_robot([(CAPTION, "Yes"), (CAPTION, "1026"), (CAPTION, "OK")])
            self.assertEqual(texts, [QUESTION[1],
                                     "A new version of Tolvane Demo is available!\n"
                                     "Current version 1.54 - New version 1.60",
                                     SUCCESS[1]])

        self.assertEqual(self.release_starts(), ["-Quiet"])
        self.assertEqual(self.demo_program(), self.release_bytes())
        self.assertEqual(self.product_files(), ["demo.exe"], "no partly written file is left")

        requests = self.server.requests()
        self.assertEqual([r.split("\r\n")[:2] for r in requests],
                         [["GET %s HTTP/1.0" % VERSIONS_PATH,
                           "User-Agent: Tolvane Update Check Uninstall (www.tolvane.example)"],
                          ["GET /files/demo.exe HTTP/1.0",
                           "User-Agent: Tolvane Update Download Uninstall (www.tolvane.example)"]])
        log = self.sandbox.log()
        size = len(self.release_bytes())
        for line in ["Update on phase 0\n", "Match: 1.540000 1.600000\n",
                     "Update download on phase 0\n",
                     "Save to -> [%sdemo.exe]\n" % self.product.folder,
                     "Filesize = %d (%dk)\n" % (size, size >> 10)]:
            self.assertIn(line, log)
        self.assertIn("Recieved -> [", log)
        self.assertNotIn("Update on phase 1\n", log)


class CancelButton(UpdateTest):

    def test_cancel_ends_a_trickling_download_cleanly(self):
        if self.sandbox.native:
            self.skipTest("natively Ctrl-C does it (Downloads)")
        self.needs_native_boxes()
        body = "x" * 2000    # 200 pieces, 300 ms apart: a minute
        self.serve(self.offer(), reply="HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n%s"
                   % (len(body), body), pieces=200)
        self.pack()
        sandbox = self.sandbox
        sandbox.clear_logs()
        process = subprocess.Popen(["wine", sandbox.program, "-Spawn", "-Update", "-debug"],
                                   cwd=sandbox.folder, env=sandbox.environment(),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        try:
            self.press_when_there(CAPTION, "Yes")
            self.press_when_there(CAPTION, "1026")
            for _ in range(600):    # the button counts once the download runs
                if "Recieved -> [" in sandbox.log():
                    break
                time.sleep(0.1)
            self.press_when_there("Please wait...", "Cancel")
            text = self.press_when_there(CAPTION, "OK")
            process.communicate(timeout=120)
        finally:
            if process.poll() is None:
                process.kill()
                process.communicate()
        subprocess.run(["wineserver", "-w"], env=sandbox.environment(), timeout=300)
        self.assertEqual(process.returncode, 0)
        self.assertEqual(text, CANCELLED[1])
        self.assertEqual(self.demo_program(), OLD_RELEASE)
        self.assertEqual(self.product_files(), ["demo.exe"])
        log = sandbox.log()
        for line in ["Socket Read cancelled\n", "Cancelled by the user\n"]:
            self.assertIn(line, log)
        self.assertNotIn("Update download on phase 1\n", log)


class Downloads(UpdateTest):

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_release_without_length_is_refused_unless_signed(self):
        # Nothing proves where it ends: a proxy may relay an aborted transfer so.
        self.serve(self.offer(), length=False)
        self.pack()
        result = self.check(["yes", "1026", "no"])
        self.assert_failed_download_keeps_the_old_program(result)
        self.assertIn("Refusing 'demo.exe': nothing proves it complete (no length, no chunked "
                      "end) and it is not signed\n", self.sandbox.log())

    def test_release_ending_with_another_code_is_an_error(self):
        self.set_release_exit_code(3)
        self.serve(self.offer())
        self.pack()
        result = self.check(["yes", "1026"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, FAILED])
        self.assertEqual(self.release_starts(), ["-Quiet"])

    def assert_failed_download_keeps_the_old_program(self, result):
        self.assertEqual(message_boxes(result.stdout),
                         [QUESTION, RETRY_DOWNLOAD, NO_CONTACT])
        self.assertEqual(self.demo_program(), OLD_RELEASE)
        self.assertEqual(self.product_files(), ["demo.exe"])
        self.assertEqual(self.release_starts(), [])
        log = self.sandbox.log()
        for phase in range(3):
            self.assertIn("Update download on phase %d\n" % phase, log)

    def test_size_mismatch_fails_and_keeps_the_old_program(self):
        self.serve(self.offer(), reply="HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\nshort")
        self.pack()
        result = self.check(["yes", "1026", "no"])
        self.assert_failed_download_keeps_the_old_program(result)
        self.assertEqual(self.sandbox.log().count("Sizes to not match (5000 != 5)\n"), 2)

    def test_ctrl_c_ends_a_trickling_download_cleanly(self):
        body = "x" * 2000    # 200 pieces, 300 ms apart: a minute
        self.serve(self.offer(), reply="HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n%s"
                   % (len(body), body), pieces=200)
        self.pack()
        sandbox = self.sandbox
        sandbox.clear_logs()
        process = subprocess.Popen(sandbox._launcher(sandbox.program) + ["-Spawn", "-Update",
                                                                         "-debug"],
                                   cwd=sandbox.folder, env=sandbox.environment(),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        process.stdin.write(b"yes\n1026\n")
        process.stdin.flush()
        for _ in range(300):
            if "Recieved -> [" in sandbox.log():
                break
            time.sleep(0.05)
        process.send_signal(signal.SIGINT)
        out, _ = process.communicate(timeout=30)
        self.assertEqual(process.returncode, 0)
        self.assertEqual(message_boxes(out.decode("latin-1")), [QUESTION, CANCELLED])
        self.assertEqual(self.demo_program(), OLD_RELEASE)
        self.assertEqual(self.product_files(), ["demo.exe"])
        log = sandbox.log()
        for line in ["Socket Read cancelled\n", "Download of 'demo.exe' cancelled\n",
                     "Cancelled by the user\n"]:
            self.assertIn(line, log)
        self.assertNotIn("Update download on phase 1\n", log)

    def test_header_end_split_between_pieces_is_found(self):
        # 74 bytes in two pieces of 37: the empty line's CR LF opens the second.
        body = "new release 123, thirty-five bytes!"
        self.serve(self.offer(), reply="HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n%s"
                   % (len(body), body), pieces=2)
        self.pack()
        result = self.check(["yes", "1026"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, FAILED])
        self.assertEqual(self.demo_program(), body.encode())

    def test_error_page_is_never_put_in_place_nor_started(self):
        page = "<h1>404 Not Found</h1>"
        self.serve(self.offer(), reply="HTTP/1.0 404 Not Found\r\nContent-Length: %d\r\n\r\n%s"
                   % (len(page), page))
        self.pack()
        result = self.check(["yes", "1026", "no"])
        self.assert_failed_download_keeps_the_old_program(result)
        self.assertEqual(self.sandbox.log().count("Server replied 'HTTP/1.0 404 Not Found'\n"), 2)
        self.assertIn("The update 'demo.exe' is not signed: no key to check it with\n",
                      self.sandbox.log())

    def test_hostile_file_names_are_refused(self):
        for name in ["..\\..\\escaped.exe", "$1escaped.exe", "C:escaped.exe"]:
            with self.subTest(name=name):
                self.serve(self.offer(name=name))
                self.pack()
                result = self.check(["yes", "1026", "no"])
                self.assert_failed_download_keeps_the_old_program(result)
                log = self.sandbox.log()
                self.assertIn("Refusing to save the download under the name '%s'\n" % name, log)
                self.assertNotIn("Save to", log)
                self.assertEqual(len(self.server.requests()), 1, "only the version information")
                found = [os.path.join(folder, f) for folder, _, files in
                         os.walk(drive_c(self.sandbox)) for f in files if "escaped" in f]
                self.assertEqual(found, [])
                self.server.stop()
                self.server = None


class RefusedInstallPaths(UpdateTest):
    """A recorded install path the uninstall would refuse: the release is
    neither saved (into the current folder, at the drive's root) nor started."""

    def test_the_release_is_not_saved_nor_started(self):
        self.native_only()
        for recorded, reason in [("", "empty"), ("C:\\", "a drive or share root"),
                                 ("relative\\dir\\", "not absolute")]:
            with self.subTest(recorded=recorded):
                os.makedirs(os.path.join(self.sandbox.folder, "relative", "dir"), exist_ok=True)
                self.product.record(recorded)
                self.serve(self.offer())
                self.pack(registry_path=True)
                result = self.check(["yes", "1026"])
                self.assertEqual(message_boxes(result.stdout), [QUESTION, NO_CONTACT])
                self.assertEqual(self.release_starts(), [])
                self.assertEqual(len(self.server.requests()), 1, "only the version information")
                # Natively drive C: lies in the sandbox too.
                saved = [os.path.join(folder, f)
                         for folder, _, files in os.walk(self.sandbox.folder) for f in files
                         if f == "demo.exe" or f.startswith("Upd")]
                self.assertEqual(saved, [self.product.host("demo.exe")])
                self.assertEqual(self.demo_program(), OLD_RELEASE)
                log = self.sandbox.log()
                self.assertIn("Refused path '%s': %s\n" % (recorded, reason), log)
                self.assertIn("Not downloading the update: the install path '%s' is refused\n"
                              % recorded, log)
                self.assertNotIn("Update download on phase", log)
                self.server.stop()
                self.server = None


class Offers(UpdateTest):

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_same_version_is_the_latest(self):
        self.serve(self.offer(version="1.54"))
        self.pack()
        result = self.check(["yes"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, LATEST])
        self.assertEqual(dialog_lines(result.stdout), [])
        self.assertIn("Match: 1.540000 1.540000\n", self.sandbox.log())

    def test_version_1_10_is_lower_than_1_9(self):
        self.serve(self.offer(version="1.10"))
        self.pack()
        result = self.check(["yes"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, LATEST])

    def test_reply_without_the_products_block(self):
        self.serve(self.offer(identity="Tolvane Another"))
        self.pack()
        result = self.check(["yes"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, NO_INFO])
        self.assertEqual(len(self.server.requests()), 1)

    def test_declining_the_question_asks_nothing_of_the_server(self):
        self.serve(self.offer())
        self.pack()
        result = self.check(["no"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION])
        self.assertEqual(self.server.requests(), [])

    def test_without_update_url_nothing_is_asked(self):
        self.pack(update_url="")
        result = self.check([])
        self.assertEqual(message_boxes(result.stdout), [])
        self.assertNotIn("Update on phase", self.sandbox.log())

    def test_closing_the_offer_ends_without_another_message(self):
        self.serve(self.offer())
        self.pack()
        result = self.check(["yes", "close"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION])
        self.assertEqual(len(self.server.requests()), 1)
        self.assertEqual(self.demo_program(), OLD_RELEASE)

    def test_version_information_that_is_no_success_asks_to_try_again(self):
        # Even with the product's block in it, an error page is no version
        # information.
        self.server = UpdateServer(os.path.join(self.sandbox.folder, "server"),
                                   "HTTP/1.0 404 Not Found\r\n\r\n" + self.offer())
        self.pack(update_url=self.server.url(VERSIONS_PATH))
        result = self.check(["yes", "no"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, RETRY_CHECK, NO_CONTACT])
        self.assertIn("Server replied 'HTTP/1.0 404 Not Found'\n", self.sandbox.log())

    def test_server_down_asks_to_try_again(self):
        self.serve(self.offer())
        url = self.server.url(VERSIONS_PATH)
        self.server.stop()
        self.server = None
        self.pack(update_url=url)
        result = self.check(["yes", "yes", "no"])
        self.assertEqual(message_boxes(result.stdout),
                         [QUESTION, RETRY_CHECK, RETRY_CHECK, NO_CONTACT])
        phases = re.findall(r"Update on phase (\d)\n", self.sandbox.log())
        self.assertEqual(phases, ["0", "1", "2", "1", "2"])


class WebPage(UpdateTest):

    def setUp(self):
        super().setUp()
        self.native_only()
        self.serve(self.offer())
        self.pack()

    def test_the_page_opens_and_the_offer_stays(self):
        tools = os.path.join(self.sandbox.folder, "bin")
        os.makedirs(tools)
        opened = os.path.join(self.sandbox.folder, "opened")
        opener = os.path.join(tools, "xdg-open")
        with open(opener, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % opened)
        os.chmod(opener, 0o755)
        self.sandbox.extra_environment["PATH"] = tools + os.pathsep + os.environ["PATH"]

        result = self.check(["yes", "1025", "1026"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION, SUCCESS])
        for _ in range(50):
            if os.path.exists(opened):
                break
            time.sleep(0.1)
        with open(opened) as f:
            self.assertEqual(f.read(), "http://127.0.0.1/demo\n")

    def test_only_web_addresses_are_opened(self):
        self.server.stop()
        for page in ["C:\\Windows\\notepad.exe", "file:///bin/sh", "ftp://127.0.0.1/x",
                     "xhttp://127.0.0.1/"]:
            with self.subTest(page=page):
                info = self.offer().replace("http://127.0.0.1/demo", page)
                self.serve(info)
                self.pack()
                result = self.check(["yes", "1025", "close"])
                self.assertEqual(message_boxes(result.stdout), [QUESTION])
                log = self.sandbox.log()
                self.assertIn("Refusing to open '%s': not a web page\n" % page, log)
                self.assertNotIn("Unable to execute", log)
                self.server.stop()
        self.server = None

    def test_without_an_opener_the_failure_is_logged(self):
        self.sandbox.extra_environment["PATH"] = os.path.join(self.sandbox.folder, "empty")
        result = self.check(["yes", "1025", "close"])
        self.assertEqual(message_boxes(result.stdout), [QUESTION])
        self.assertIn("Unable to execute 'http://127.0.0.1/demo' '' 0x00000483\n",
                      self.sandbox.log())


class LongNames(UpdateTest):
    """A product name so long that the dialog's lines are cut."""

    product_name = "Demo With A Name Far Longer Than Any Dialog Line Could Ever Show"

    def test_dialog_lines_are_cut_at_79_characters(self):
        self.native_only()
        identity = "Tolvane " + self.product_name
        self.serve(self.offer(version="2.0 beta", identity=identity))
        self.pack()
        result = self.check(["yes", "esc"])
        headline = ("A new version of %s is available!" % identity)[:79]
        self.assertEqual(dialog_lines(result.stdout),
                         [(headline, "Current version 1.54 - New version 2.0")])


if __name__ == "__main__":
    harness.main()
