"""An installed product to uninstall, on drive C: of a test's machine.

    from lib.product import Product, boxes_shown

    product = Product(self.sandbox, "Tolvane", "Demo")
    product.install({"demo.exe": "program", "data\\sample.dat": "data"})
    product.record()                  # "Install Path" under the registry path
    product.add_uninstall_entry()     # the entry in the installed programs
    self.sandbox.pack(product.script(files=["demo.exe", "data\\sample.dat"]))

Natively drive C: is the sandbox's private prefix; under Wine it is the
test run's Wine prefix, which every test shares: a Product removes its
folder and registry keys again in remove().
"""

import getpass
import glob
import os
import re
import shutil

from lib.harness import command, script

UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s %s"
HKCU = "1"
HKLM = "4"


def drive_c(sandbox):
    """The host folder behind C:\\ as the program sees it."""
    if sandbox.native:
        return os.path.join(sandbox.prefix, "drive_c")
    prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
    return os.path.join(prefix, "drive_c")


def host_path(sandbox, windows_path):
    """The host path of a C:\\ path (either separator, any letter case)."""
    match = re.match(r"^[cC]:[\\/]?(.*)$", windows_path)
    if match is None:
        raise ValueError("not a C: path: %r" % windows_path)
    # ".." is resolved by name, as Windows does, and stops at the root.
    parts = []
    for part in re.split(r"[\\/]", match.group(1)):
        if part == "..":
            parts = parts[:-1]
        elif part not in ("", "."):
            parts.append(part)
    return os.path.join(drive_c(sandbox), *parts)


def programs_folder(sandbox):
    """The host folder behind the user's Start-menu Programs folder."""
    if sandbox.native:
        return os.path.join(drive_c(sandbox), "users", getpass.getuser(), "Start Menu",
                            "Programs")
    menus = [m for m in glob.glob(os.path.join(drive_c(sandbox), "users", "*", "AppData",
                                               "Roaming", "Microsoft", "Windows", "Start Menu"))
             if os.sep + "Public" + os.sep not in m]
    return os.path.join(menus[0], "Programs")


def add_shortcut(sandbox, group, name):
    """A shortcut file NAME.lnk in the Start-menu group (backslashes nest)."""
    path = os.path.join(programs_folder(sandbox), *[p for p in group.split("\\") if p],
                        name + ".lnk")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"L\0\0\0")
    return path


def boxes_shown(stdout):
    """The message boxes a native run printed, as (caption, text) pairs.

    A box prints "=== caption ===", its text, and "[OK]" or "[Yes/No] "
    followed by the answer read."""
    shown = []
    for match in re.finditer(r"=== (.*?) ===\n(.*?)\n\[(?:OK\]|Yes/No\] )", stdout, re.S):
        shown.append((match.group(1), match.group(2)))
    return shown


class Product:
    """One product: its folder on drive C:, its registry path and script."""

    def __init__(self, sandbox, company, name, folder=None):
        self.sandbox = sandbox
        self.company = company
        self.name = name
        self.registry_path = "Software\\%s\\%s" % (company, name)
        self.install_dir = "%s %s\\" % (company, name)
        self.folder = folder or "C:\\Program Files\\%s" % self.install_dir

    # -- the machine -----------------------------------------------------

    def host(self, relative=""):
        """Host path of a file or folder of the product (relative to its folder)."""
        return host_path(self.sandbox, self.folder + relative)

    def install(self, files):
        """Writes the files, {relative Windows path: text}, into the folder."""
        for relative, content in files.items():
            path = self.host(relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(content)

    def exists(self, relative=""):
        return os.path.exists(self.host(relative))

    def record(self, install_path=None):
        """Records the installation as the setup did: "Install Path"."""
        value = self.folder if install_path is None else install_path
        self._regtool_ok("set-string", HKCU, self.registry_path, "Install Path", value)

    def uninstall_key(self):
        return UNINSTALL_KEY % (self.company, self.name)

    def add_uninstall_entry(self):
        self._regtool_ok("set-string", HKLM, self.uninstall_key(), "UninstallString",
                         self.folder + "uninstall.exe")

    def has_uninstall_entry(self):
        return self.sandbox.regtool("exists", HKLM, self.uninstall_key()).returncode == 0

    def remove(self):
        """Takes the product off a shared machine again."""
        shutil.rmtree(self.host(), ignore_errors=True)
        if not self.sandbox.native:
            self.sandbox.regtool("delete-key", HKCU, self.registry_path)
            self.sandbox.regtool("delete-key", HKLM, self.uninstall_key())

    def _regtool_ok(self, *arguments):
        result = self.sandbox.regtool(*arguments)
        if result.returncode != 0:
            raise RuntimeError("regtool %s failed: %s" % (" ".join(arguments), result.stderr))

    # -- the script ------------------------------------------------------

    def settings(self, registry_path=True):
        """The commands that name the product and compute its install path."""
        commands = [command("COMPANY NAME", self.company), command("PRODUCT NAME", self.name)]
        if registry_path:
            commands.append(command("REGISTRY PATH", self.registry_path))
        commands += [command("INSTALL DIR", self.install_dir), command("INSTALL PATH", "")]
        return script(*commands)

    def script(self, files=(), temp=None, uninstall_name="uninstall.exe", install_name="",
               registry_path=True, before_install=b""):
        """A whole uninstall script: settings, lists, "INSTALL", "DONE"."""
        commands = [self.settings(registry_path), command("FILE LIST", ",".join(files))]
        if temp is not None:
            commands.append(command("TEMP LIST", ",".join(temp)))
        if uninstall_name:
            commands.append(command("UNINSTALL NAME", uninstall_name))
        if install_name:
            commands.append(command("INSTALL NAME", install_name))
        commands += [before_install, command("INSTALL"), command("DONE", "")]
        return script(*commands)
