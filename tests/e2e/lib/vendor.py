"""The vendor's side in the tests: vendor-server on a free loopback port,
registration bodies made as the program makes them, requests sent as the
program sends them, and a PostgreSQL server of Debian's started in a
temporary folder.

    server = VendorServer(vendor_server, database, folder, publish=outdir)
    reply = post(server.port, registration_body([("000", "v1.2 (Release)")], "1.2"))
    rows = server.export()       # the CSV rows as dictionaries
    server.stop()
"""

import csv
import glob
import io
import os
import pwd
import shutil
import socket
import subprocess
import tempfile
import time
import zlib

REQUEST = (b"POST %s HTTP/1.0\r\nUser-Agent: Tolvane Register Uninstall (www.tolvane.example)\r\n"
           b"Host: 127.0.0.1\r\nContent-Length: %d\r\nConnection: closed\r\n\r\n")


def registration_body(fields, version):
    """The POST body of [(number, text)] fields from the program of
    `version`: scrambled, printable, framed by lengths and the CRC-32
    (docs/registration.md)."""
    version = version.encode("ascii")
    payload = b"".join(b"\x02" + number.encode() + text.encode("latin-1")
                       for number, text in fields)
    scrambled = bytes(b ^ ((47 * i // 31) & 0xFF) for i, b in enumerate(payload))
    padded = scrambled + b"\0" * (-len(scrambled) % 3)
    encoded = b"%.8X" % len(payload)
    for i in range(0, len(padded), 3):
        value = int.from_bytes(padded[i:i + 3], "big")
        encoded += bytes(33 + (value >> shift & 63) for shift in (18, 12, 6, 0))
    header = (b"%.2X" % len(version) + version +
              b"%.8X%.8X%.8X" % (len(payload), len(encoded), zlib.crc32(encoded)))
    return b"%.8X" % (8 + len(header) + len(encoded)) + header + encoded


def exchange(port, request, timeout=30):
    """One connection: the request out, the whole reply until the server
    closes, as the program reads it."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
        connection.sendall(request)
        reply = b""
        while True:
            data = connection.recv(65536)
            if not data:
                return reply
            reply += data


def post(port, body, path=b"/cgi-bin/register"):
    return exchange(port, REQUEST % (path, len(body)) + body)


def accepted(reply):
    """What the program counts as an acknowledged registration."""
    return b"regsuccess" in reply[:20479].lower()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class VendorServer:
    """vendor-server serve on 127.0.0.1, port chosen by the server unless
    given (a server started again where a killed one listened)."""

    def __init__(self, program, database, folder, publish=None, path=None, request_timeout=None,
                 port=0):
        self.program, self.database = program, database
        os.makedirs(folder, exist_ok=True)
        self.log_path = os.path.join(folder, "vendor-server-%d.log" % time.monotonic_ns())
        command = [program, "serve", "--listen", "127.0.0.1:%d" % port, "--database", database]
        if publish:
            command += ["--publish", publish]
        if path:
            command += ["--path", path]
        if request_timeout:
            command += ["--request-timeout", str(request_timeout)]
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=self.log)
        line = self.process.stdout.readline().decode()
        if not line.startswith("listening on 127.0.0.1:"):
            self.stop()
            raise AssertionError("vendor-server did not start: %r\n%s" % (line, self.messages()))
        self.port = int(line.rsplit(":", 1)[1])

    def url(self, path="/cgi-bin/register"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def export(self, *arguments):
        return export(self.program, self.database, *arguments)

    def messages(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.log.close()


def export(program, database, *arguments):
    """vendor-server export --csv: the rows as dictionaries."""
    result = subprocess.run([program, "export", "--database", database, "--csv", *arguments],
                            capture_output=True, timeout=60)
    if result.returncode != 0:
        raise AssertionError("export failed: %s" % result.stderr.decode("utf-8", "replace"))
    return list(csv.DictReader(io.StringIO(result.stdout.decode("utf-8"), newline="")))


class Postgres:
    """A PostgreSQL server of Debian's, made by initdb in a new temporary
    folder and listening on a free loopback port. The server refuses to run
    as root: as root it runs as the `postgres` system user. `skip_reason`
    is set instead when that is impossible."""

    def __init__(self, settings=("fsync=off",)):
        self.folder, self.process, self.skip_reason = None, None, None
        binaries = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        if not binaries:
            self.skip_reason = "PostgreSQL's server is not installed (scripts/install-deps)"
            return
        self.bin = os.path.dirname(binaries[-1])
        self.prefix = []
        if os.getuid() == 0:
            try:
                user = pwd.getpwnam("postgres")
            except KeyError:
                self.skip_reason = "running as root and there is no postgres user to run it as"
                return
            self.prefix = ["runuser", "-u", "postgres", "--"]
        self.folder = tempfile.mkdtemp(prefix="vendor-postgres-")
        if os.getuid() == 0:
            os.chown(self.folder, user.pw_uid, user.pw_gid)
        self.port = free_port()
        data = os.path.join(self.folder, "data")
        self._run("initdb", "-D", data, "-A", "trust", "-U", "vendor", "-E", "UTF8",
                  "--locale=C", "--no-sync")
        options = "-c listen_addresses=127.0.0.1 -p %d -k %s %s" % (
            self.port, self.folder, " ".join("-c " + s for s in settings))
        self._run("pg_ctl", "-D", data, "-l", os.path.join(self.folder, "log"), "-w",
                  "-o", options, "start")
        self.data = data

    def _run(self, tool, *arguments):
        result = subprocess.run(self.prefix + [os.path.join(self.bin, tool), *arguments],
                                capture_output=True, timeout=120, cwd=self.folder)
        if result.returncode != 0:
            raise AssertionError("%s failed: %s" % (tool, result.stderr.decode()))

    def url(self):
        return "postgresql://vendor@127.0.0.1:%d/postgres" % self.port

    def stop(self):
        if self.folder is None:
            return
        if getattr(self, "data", None):
            subprocess.run(self.prefix + [os.path.join(self.bin, "pg_ctl"), "-D", self.data,
                                          "-m", "fast", "-w", "stop"],
                           capture_output=True, timeout=120)
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder = None
