"""Registration scenarios: the vendor's server, the product's script, what
the server must receive, and the user who fills in the form.

    from lib.registration import RegServer, Registration, User

    server = RegServer(self.sandbox, self.defer, mode="accept")
    registration = Registration(self.sandbox, self.defer, server)
    self.sandbox.pack(registration.script())
    server.expect(registration.expected_fields(DETAILS))
    user = User(self.sandbox, registration.title)
    user.answer("Would you like to register?", "Yes")
    user.fill(DETAILS)
    ...
    result = user.run("-Register", "-debug")

Natively the user's actions become lines on the program's standard input
(docs/posix-dialogs.md) and run() feeds them all at once; under Wine each
action is a call of the dialog robot, made while the program runs.

`defer` takes what must be undone when the test ends (servers to stop,
files and keys on the shared Wine machine), before the sandbox goes.
"""

import json
import os
import platform
import pwd
import re
import socket
import subprocess
import sys
import tempfile
import time

from lib import harness
from lib.harness import command, script

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "..", "servers", "regserver.py")
PROXY = os.path.join(HERE, "..", "..", "servers", "proxyserver.py")

VENDOR_KEY = "Software\\Tolvane\\Installer"
USER_AGENT = "Tolvane Register Uninstall (www.tolvane.example)"
PROCESSOR_KEY = "Hardware\\Description\\System\\CentralProcessor\\0"
WINDOWS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion"
HKCU, HKLM = "1", "4"

# Controls of the form (1004) and of the e-mail check (1006).
EDITS = {"first": 1014, "last": 1016, "address": 1017, "city": 1018, "state": 1019,
         "country": 1023, "zip": 1020, "email": 1015, "phone": 1022, "found": 1021}
AGE, YES, NO, ALREADY, REGISTER, DECLINE, VERIFY = 1029, 1027, 1026, 1028, 1, 2, 1025
AGE_BANDS = ["----", "12 or under", "13 to 17", "18 to 20", "21 to 24", "25 to 29",
             "30 to 34", "35 to 39", "40 to 49", "50 to 59", "60 or over"]
# Registry value of each detail, in the order the payload sends them (210
# is the age band).
STORED = [("first", "First Name"), ("last", "Last Name"), ("address", "Address"),
          ("city", "City"), ("state", "State"), ("country", "Country"), ("zip", "Zip"),
          ("email", "Email"), ("phone", "Phone")]


def trimmed(value):
    """A value as the payload sends it: trailing bytes up to 32 and from 0x80 go."""
    while value and (ord(value[-1]) <= 32 or ord(value[-1]) >= 0x80):
        value = value[:-1]
    return value


class Server:
    """A Python helper from tests/servers with the port/stop/stopped files."""

    def __init__(self, sandbox, defer, name, program, *arguments):
        self.folder = os.path.join(sandbox.folder, name)
        os.makedirs(self.folder)
        self.process = subprocess.Popen([sys.executable, program, "--dir", self.folder,
                                         *arguments], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        defer(self.close)
        self.port = int(self.wait_for("port", 15))

    def path(self, name):
        return os.path.join(self.folder, name)

    def wait_for(self, name, seconds):
        end = time.monotonic() + seconds
        while not os.path.exists(self.path(name)):
            if time.monotonic() > end:
                raise AssertionError("%s: no %s within %s s" % (self.folder, name, seconds))
            time.sleep(0.05)
        with open(self.path(name), "rb") as f:
            return f.read()

    def close(self):
        if self.process.poll() is None:
            open(self.path("stop"), "wb").close()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class RegServer(Server):
    """tests/servers/regserver.py: decodes, checks and answers registrations."""

    count = 0

    def __init__(self, sandbox, defer, mode="accept", silent_seconds=0):
        RegServer.count += 1
        self.expect_file = os.path.join(sandbox.folder, "expect-%d.json" % RegServer.count)
        self.expect({})
        super().__init__(sandbox, defer, "regserver-%d" % RegServer.count, SERVER, "--mode", mode,
                         "--expect", self.expect_file,
                         "--silent-seconds", str(silent_seconds))

    def expect(self, expected):
        """What every registration must look like (read for each request);
        its header always names the version of the program under test."""
        with open(self.expect_file, "w", encoding="latin-1") as f:
            json.dump(dict(expected, version=harness.program_version()), f)

    def url(self, path="/cgi-bin/register"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def requests(self):
        return len([n for n in os.listdir(self.folder) if re.fullmatch(r"request-\d+", n)])

    def verdict(self, number=1):
        return self.wait_for("verdict-%d" % number, 10).decode("latin-1").rstrip("\n")

    def fields(self, number=1):
        return json.loads(self.wait_for("fields-%d" % number, 10).decode("latin-1"))["fields"]

    def request(self, number=1):
        return self.wait_for("request-%d" % number, 10)


class Proxy(Server):
    """tinyproxy on loopback (tests/servers/proxyserver.py)."""

    def __init__(self, sandbox, defer):
        super().__init__(sandbox, defer, "proxy", PROXY)


class Registration:
    """A product whose script registers it with the server."""

    def __init__(self, sandbox, defer, server, company="Tolvane", product="Demo", version="2.0",
                 list_server=("7", "Demo News", "weekly"), text="",
                 question="Would you like to register?", payload_text="Thanks for registering"):
        self.sandbox = sandbox
        self.defer = defer
        self.server = server
        self.company, self.product, self.version = company, product, version
        self.list_server, self.text = list_server, text
        self.question, self.payload_text = question, payload_text
        self.title = "%s %s Registration..." % (company, product)
        self.group, self.item = "%s %s" % (company, product), "Register %s" % product

    def script(self):
        commands = [command("COMPANY NAME", self.company), command("PRODUCT NAME", self.product),
                    command("PRODUCT VERSION", self.version)]
        if self.text:
            commands.append(command("TEXT", self.text))
        if self.list_server is not None:
            commands.append(command("LISTSERVER", *self.list_server))
        commands += [command("CREATE GROUP", self.group),
                     command("ADD ITEM", "0", "$3setup.exe", "-Register", self.item),
                     command("REGISTER", self.server.url(), self.payload_text, self.question),
                     command("DONE")]
        return script(*commands)

    # -- the Start-menu shortcut that starts the registration -------------

    def programs_folder(self):
        """The host folder behind the user's Start-menu Programs folder."""
        if self.sandbox.native:
            user = pwd.getpwuid(os.getuid()).pw_name
            return os.path.join(self.sandbox.prefix, "drive_c", "users", user, "Start Menu",
                                "Programs")
        prefix = os.environ["WINEPREFIX"]
        for pattern in ("AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
                        "Start Menu/Programs"):
            for user in sorted(os.listdir(os.path.join(prefix, "drive_c", "users"))):
                folder = os.path.join(prefix, "drive_c", "users", user, pattern)
                if user != "Public" and os.path.isdir(folder):
                    return folder
        raise AssertionError("no Start-menu Programs folder in " + prefix)

    def shortcut(self):
        return os.path.join(self.programs_folder(), self.group, self.item + ".lnk")

    def install_shortcut(self):
        os.makedirs(os.path.dirname(self.shortcut()), exist_ok=True)
        with open(self.shortcut(), "w") as f:
            f.write("[InternetShortcut]\n")
        self.defer(self.remove_shortcut)

    def remove_shortcut(self):
        folder = os.path.dirname(self.shortcut())
        if os.path.exists(self.shortcut()):
            os.remove(self.shortcut())
        if os.path.isdir(folder) and not os.listdir(folder):
            os.rmdir(folder)

    # -- what the server must receive -------------------------------------

    def expected_fields(self, details, kind="Standalone", answer="Yes"):
        """Every field of the registration, in order, as the server must
        receive it: [number, text or {"match": regex}]. `details` is the
        form's content as User.fill takes it."""
        fields = [["000", harness.version_field()], ["001", kind]]
        values = [("002", self.payload_text), ("100", self.text or "REG"),
                  ("101", self.company), ("102", self.product), ("103", self.version)]
        values += [("%d" % (200 + i), details.get(name, "")) for i, (name, _) in
                   enumerate(STORED)]
        values += [("209", details.get("found", "")), ("210", details.get("age", ""))]
        fields += [[number, trimmed(value)] for number, value in values if value]
        fields += self.machine_fields()
        fields.append(["400", answer])
        if self.list_server is not None:
            number, name, text = self.list_server
            fields.append(["401", str(int(number))])
            fields += [[n, v] for n, v in (("402", name), ("403", text)) if v]
        else:
            fields.append(["401", "0"])
        return fields

    def registry_text(self, selector, key, name):
        """A registry text as the program reads it; None when unreadable."""
        result = self.sandbox.regtool("get-string", selector, key, name)
        return result.stdout.rstrip("\r\n") if result.returncode == 0 else None

    def registry_fields(self, key, names):
        """Fields read from a key of the machine: none when the key does not
        open, "Unknown" for a value that is absent or not a text."""
        if self.sandbox.regtool("exists", HKLM, key).returncode != 0:
            return []
        fields = []
        for number, name in names:
            value = self.registry_text(HKLM, key, name)
            if value is None:
                fields.append([number, "Unknown"])
            elif trimmed(value):
                fields.append([number, trimmed(value)])
        return fields

    def machine_fields(self):
        """Fields 300 to 312: the machine's facts. Natively they are known
        exactly (docs/registration.md says where each comes from); under
        Wine, where every registry query costs a Wine process of its own,
        by what Wine's registry holds and by their shape."""
        host = socket.gethostname()
        if not self.sandbox.native:
            # Wine stores "~MHz" as a number and has no "MMXIdentifier", as
            # Windows NT; its registered owner and organisation are empty.
            return [["300", {"match": r"\d{1,3}(\.\d{1,3}){3}"}],
                    ["301", {"match": "(?i)" + re.escape(host)}],
                    ["302", {"match": r".*Family \d+ Model \d+ Stepping \d+"}],
                    ["303", "Unknown"], ["304", "Unknown"], ["305", {"match": r"\S+"}],
                    ["306", {"match": r"[1-9]\d*,[1-9]\d*"}], ["307", {"match": r"8|16|24|32"}],
                    ["310", {"match": r"Microsoft Windows NT \d+\.\d+\.\d+( .*)?"}],
                    ["311", {"match": r"[1-9]\d*k"}], ["312", {"match": r"[1-9]\d*k"}]]
        fields = [["300", {"match": r"\d{1,3}(\.\d{1,3}){3}"}], ["301", host]]
        fields += self.registry_fields(PROCESSOR_KEY, (
            ("302", "Identifier"), ("303", "~MHz"), ("304", "MMXIdentifier"),
            ("305", "VendorIdentifier")))
        if os.environ.get("DISPLAY"):
            fields += [["306", {"match": r"[1-9]\d*,[1-9]\d*"}], ["307", {"match": r"8|16|24|32"}]]
        else:
            fields += [["306", "0,0"], ["307", "0"]]
        fields += self.registry_fields(WINDOWS_KEY, (("308", "RegisteredOwner"),
                                                     ("309", "RegisteredOrganization")))
        return fields + [["310", posix_version_line()]] + memory_fields()

    # -- what the program left ---------------------------------------------

    def stored(self, name):
        return self.registry_text(HKCU, VENDOR_KEY, name)

    def stored_answer(self):
        result = self.sandbox.regtool("get-dword", HKCU, VENDOR_KEY, "ListServer")
        return int(result.stdout) if result.returncode == 0 else None

    def forget_user(self):
        """No registration details yet: Wine's registry is shared by every
        test of the run."""
        if not self.sandbox.native:
            self.sandbox.regtool("delete-key", HKCU, VENDOR_KEY)


def posix_version_line():
    """Field 310 natively: the kernel's release and the distribution."""
    numbers = (re.match(r"(\d+)(?:\.(\d+))?(?:\.(\d+))?", platform.release()).groups("0"))
    name = ""
    for path in ("/etc/os-release", "/usr/lib/os-release"):
        if os.path.exists(path):
            with open(path) as f:
                match = re.search(r"^PRETTY_NAME=(.*)$", f.read(), re.M)
            if match:
                name = match.group(1).strip().strip("\"'")
                break
    if not name:
        name = "%s %s" % (platform.system(), platform.release())
    return trimmed("[256] %d.%d.%d %s" % (int(numbers[0]), int(numbers[1]), int(numbers[2]),
                                          name))


def memory_fields():
    """Fields 311 and 312 natively: memory, and memory plus swap, in KiB."""
    with open("/proc/meminfo") as f:
        info = dict(re.findall(r"^(\w+):\s+(\d+) kB$", f.read(), re.M))
    memory, swap = int(info["MemTotal"]), int(info.get("SwapTotal", 0))
    return [["311", "%dk" % memory], ["312", "%dk" % (memory + swap)]]


def message_boxes(stdout):
    """The message boxes a native run printed, as (caption, text) pairs;
    dialogs, which print their controls indented, are not among them."""
    return re.findall(r"^=== ([^\n]*) ===\n([^ \n][^\n]*)\n\[(?:OK\]|Yes/No\] )", stdout, re.M)


class User:
    """The person at the screen: answers boxes and fills the two dialogs."""

    def __init__(self, sandbox, title):
        self.sandbox = sandbox
        self.title = title
        self.steps = []     # natively: input lines; under Wine: robot calls

    # -- actions ------------------------------------------------------------

    def answer(self, text, button="OK"):
        """A message box with exactly this text, answered with the button."""
        if self.sandbox.native:
            if button != "OK":
                self.steps.append("y" if button == "Yes" else "n")
        else:
            self.steps.append(("box", text, button))

    def type(self, control, text):
        self._control("settext", control, text, native="%d=%s" % (control, text))

    def tick(self, control, state=1):
        """Ticks (or clears) an answer box, the way a click would."""
        native = "%d" % control
        self._control("check", control, str(state), native=native)

    def choose_age(self, band):
        self._control("select", AGE, str(AGE_BANDS.index(band)),
                      native="%d#%d" % (AGE, AGE_BANDS.index(band)))

    def press(self, button):
        self._control("press", button, native="%d" % button)

    def fill(self, details):
        """Types every detail given ({"first": ..., "age": ..., ...})."""
        for name, control in EDITS.items():
            if name in details:
                self.type(control, details[name])
        if "age" in details:
            self.choose_age(details["age"])

    def verify(self, email, button=REGISTER):
        self.type(VERIFY, email)
        self.press(button)

    def _control(self, command, control, *operands, native):
        if self.sandbox.native:
            self.steps.append(native)
        else:
            self.steps.append((command, str(control)) + operands)

    # -- running ------------------------------------------------------------

    def run(self, *arguments, timeout=180):
        """Runs the packed program with the user's actions."""
        if self.sandbox.native:
            return self.sandbox.run(*arguments, input="".join(s + "\n" for s in self.steps),
                                    timeout=timeout)
        sandbox = self.sandbox
        sandbox.clear_logs()
        out, err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        process = subprocess.Popen(["wine", sandbox.program] + list(arguments),
                                   cwd=sandbox.folder, env=sandbox.environment(),
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            self.box_texts = []
            for step in self.steps:
                if step[0] == "box":
                    self._answer_box(step[1], step[2])
                else:
                    self._robot_until_done(*step)
        except BaseException:
            subprocess.run(["wineserver", "-k"], env=sandbox.environment(), timeout=60)
            raise
        finally:
            process.wait(timeout=timeout)
            sandbox._settle()
        texts = []
        for stream in (out, err):
            stream.seek(0)
            texts.append(stream.read().decode("latin-1"))
            stream.close()
        return subprocess.CompletedProcess(process.args, process.returncode, *texts)

    # The form, the e-mail check and the boxes all carry the same title, so
    # a call may meet the previous window still closing or the next one not
    # yet open: a control that is missing, or a box with another text, is
    # waited for.
    # Output goes through files, not pipes: a Wine process may start the
    # prefix's background processes (services, the desktop), which keep
    # the handles they inherited open long after it ended.
    def _robot(self, *arguments):
        executable = os.path.join(self.sandbox.args.build_dir, "tests", "winrobot.exe")
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(["wine", executable, *arguments], stdout=out, stderr=err,
                                    env=self.sandbox.environment(), timeout=120)
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode("latin-1")
            result.stderr = err.read().decode("latin-1")
        return result

    def _robot_until_done(self, command, control, *operands, seconds=30):
        end = time.monotonic() + seconds
        while True:
            result = self._robot(command, self.title, control, *operands, "--timeout", "20000")
            if result.returncode == 0:
                return
            if time.monotonic() > end:
                raise AssertionError("robot %s %s: %s" % (command, control, result.stderr))
            time.sleep(0.2)

    def _answer_box(self, text, button, seconds=40):
        end = time.monotonic() + seconds
        while True:
            shown = self._robot("wait-box", self.title, "--timeout", "20000").stdout.rstrip("\n")
            if shown == text:
                self._robot_until_done("press", button)
                self.box_texts.append(text)
                return
            if time.monotonic() > end:
                raise AssertionError("no box %r; the window says %r" % (text, shown))
            time.sleep(0.2)
