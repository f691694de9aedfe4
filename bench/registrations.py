"""The runs of bench/registrations.sh. The load is registration-load (C++,
beside vendor-server in the build): CONNECTIONS connections at a time,
distinct registrations, one connection each as the program sends them, each
sent again until acknowledged. Every acknowledged registration is then
looked up in what the server stored."""

import collections
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from lib.nginx import Nginx  # noqa: E402
from lib.vendor import Postgres, VendorServer, export  # noqa: E402

CONNECTIONS = 50
PATH = "/cgi-bin/register"


class Load:
    """registration-load running in the background."""

    def __init__(self, generator, folder, port, tag, seconds):
        self.acknowledged = os.path.join(folder, "acknowledged-%s.txt" % tag)
        command = [generator, "post", "127.0.0.1:%d" % port, PATH, "--connections",
                   str(CONNECTIONS), "--seconds", str(seconds), "--tag", tag,
                   "--acknowledged", self.acknowledged]
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)

    def finish(self):
        """Registrations acknowledged per second, and their e-mail addresses."""
        output, _ = self.process.communicate()
        if self.process.returncode != 0:
            raise SystemExit("registration-load failed: %s" % output)
        print(output.strip(), file=sys.stderr)
        with open(self.acknowledged) as f:
            return float(output.split()[0]), f.read().split()


def checked(program, database, tag, acknowledged):
    """(lost, duplicated): acknowledged registrations of this run that were
    not stored, and extra rows of registrations stored more than once."""
    suffix = "@example.com"
    stored = collections.Counter(row["email"] for row in export(program, database)
                                 if row["email"].startswith(tag + "-") and
                                 row["email"].endswith(suffix))
    lost = sum(1 for email in acknowledged if email not in stored)
    duplicated = sum(count - 1 for count in stored.values())
    return lost, duplicated


def one_server(program, generator, database, folder, tag, seconds):
    server = VendorServer(program, database, folder)
    try:
        rate, acknowledged = Load(generator, folder, server.port, tag, seconds).finish()
    finally:
        server.stop()
    lost, duplicated = checked(program, database, tag, acknowledged)
    if lost or duplicated:
        raise SystemExit("%s: lost %d, duplicated %d" % (tag, lost, duplicated))
    return rate


def two_servers(program, generator, database, folder, seconds):
    """Two servers behind nginx; the first is killed halfway through."""
    servers = [VendorServer(program, database, folder) for _ in range(2)]
    balancer = Nginx(os.path.join(folder, "balancer"), balance=[s.port for s in servers])
    try:
        load = Load(generator, folder, balancer.port, "two", seconds)
        time.sleep(seconds / 2)
        servers[0].process.kill()
        rate, acknowledged = load.finish()
    finally:
        balancer.stop()
        for server in servers:
            server.stop()
    return (rate, *checked(program, database, "two", acknowledged))


def static_ceiling(generator, folder, seconds):
    nginx = Nginx(os.path.join(folder, "static"), balance=[])
    try:
        with open(nginx.www("versions.txt"), "wb") as f:
            f.write(b"\x161Tolvane Bench\r\n\x1621.0\r\n\x160\r\n" * 8)
        result = subprocess.run([generator, "get", "127.0.0.1:%d" % nginx.port, "/versions.txt",
                                 "--connections", str(CONNECTIONS), "--seconds", str(seconds)],
                                capture_output=True, text=True)
    finally:
        nginx.stop()
    if result.returncode != 0:
        raise SystemExit("registration-load failed: %s %s" % (result.stdout, result.stderr))
    print(result.stdout.strip(), file=sys.stderr)
    return float(result.stdout.split()[0])


def main():
    program, generator, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    with tempfile.TemporaryDirectory() as folder:
        sqlite = one_server(program, generator, os.path.join(folder, "bench.sqlite"), folder,
                            "sqlite", seconds)
        print("SQLite: %.0f registrations/s" % sqlite)
        # The server's durable settings: every commit reaches the disk.
        database = Postgres(settings=())
        postgres = two = None
        try:
            if database.skip_reason:
                print("PostgreSQL: not measured (%s)" % database.skip_reason)
            else:
                postgres = one_server(program, generator, database.url(), folder, "postgres",
                                      seconds)
                print("PostgreSQL: %.0f registrations/s" % postgres)
                two, lost, duplicated = two_servers(program, generator, database.url(), folder,
                                                    seconds)
                print("PostgreSQL, 2 instances: %.0f registrations/s, lost %d, duplicated %d" %
                      (two, lost, duplicated))
        finally:
            database.stop()
        static = static_ceiling(generator, folder, seconds)
        print("nginx, static file: %.0f requests/s" % static)
    figures = [("sqlite", sqlite), ("postgresql", postgres), ("two", two)]
    line = " ".join("%s %s" % (name, "-" if value is None else "%.0f" % value)
                    for name, value in figures)
    if two is not None:
        line += " lost %d duplicated %d" % (lost, duplicated)
    print(line + " static %.0f" % static)


if __name__ == "__main__":
    main()
