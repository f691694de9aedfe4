#!/usr/bin/env python3
"""Squid on loopback for the proxy tests, open or asking for credentials.

    squidserver.py --dir DIR [--user NAME --password TEXT] [--lifetime SECONDS]

With a user, squid answers every request without valid credentials with
407 and checks Basic credentials with basic_ncsa_auth against a password
file made here (htpasswd's format, written with `openssl passwd`). Without
one it is an open proxy. The files are those of proxyserver.py:

DIR/port     the proxy's port on 127.0.0.1, written once it accepts connections
DIR/stop     create it to end squid
DIR/stopped  written when squid has ended
DIR/access.log, DIR/cache.log, DIR/squid.conf   for the curious

Started as root, squid works as its own user, which may not enter DIR: its
files lie in a folder of its own under /tmp, linked from DIR, and removed
when it ends.
"""

import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HELPERS = "/usr/lib/squid"

CONFIG = """http_port 127.0.0.1:{port}
visible_hostname localhost
pid_filename {folder}/squid.pid
cache_log {folder}/cache.log
access_log stdio:{folder}/access.log
netdb_filename none
pinger_enable off
cache deny all
cache_mem 8 MB
shutdown_lifetime 0 seconds
coredump_dir {folder}
"""

BASIC = """auth_param basic program {helpers}/basic_ncsa_auth {folder}/passwd
auth_param basic realm Corporate proxy
auth_param basic children 2 startup=1 idle=1
acl authenticated proxy_auth REQUIRED
http_access allow localhost authenticated
http_access deny all
"""

OPEN = """http_access allow localhost
http_access deny all
"""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


def write_passwords(folder, user, password):
    hashed = subprocess.run(["openssl", "passwd", "-apr1", password], check=True,
                            capture_output=True, text=True).stdout.strip()
    path = os.path.join(folder, "passwd")
    with open(path, "w") as f:
        f.write("%s:%s\n" % (user, hashed))
    os.chmod(path, 0o644)


def start(folder, program, access):
    for _ in range(5):
        port = free_port()
        config = os.path.join(folder, "squid.conf")
        with open(config, "w") as f:
            f.write(CONFIG.format(port=port, folder=folder))
            f.write(access.format(helpers=HELPERS, folder=folder))
        process = subprocess.Popen([program, "-N", "-f", config],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and process.poll() is None:
            if accepts(port):
                return process, port
            time.sleep(0.1)
        process.kill()
        process.wait()
    raise SystemExit("squid did not start")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password", default="")
    parser.add_argument("--lifetime", type=float, default=120.0)
    arguments = parser.parse_args()
    program = shutil.which("squid") or "/usr/sbin/squid"
    exchange = os.path.abspath(arguments.dir)
    folder = tempfile.mkdtemp(prefix="squid-")
    os.chmod(folder, 0o777)
    for name in ("access.log", "cache.log", "squid.conf"):
        os.symlink(os.path.join(folder, name), os.path.join(exchange, name))
    if arguments.user:
        write_passwords(folder, arguments.user, arguments.password)
    process, port = start(folder, program, BASIC if arguments.user else OPEN)
    temporary = os.path.join(exchange, "port.tmp")
    with open(temporary, "w") as f:
        f.write(str(port))
    os.replace(temporary, os.path.join(exchange, "port"))
    stop = os.path.join(exchange, "stop")
    end = time.monotonic() + arguments.lifetime
    while not os.path.exists(stop) and time.monotonic() < end and process.poll() is None:
        time.sleep(0.1)
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    shutil.rmtree(folder, ignore_errors=True)
    with open(os.path.join(exchange, "stopped"), "w"):
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
