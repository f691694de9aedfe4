#!/usr/bin/env python3
"""A real HTTP proxy on loopback for the network tests: tinyproxy with a
generated configuration on a free port.

    proxyserver.py --dir DIR [--lifetime SECONDS] [--connect-port PORT ...]

DIR/port   the proxy's port on 127.0.0.1, written once it accepts connections
DIR/stop   create it to end the proxy
DIR/stopped  written when the proxy has ended
DIR/tinyproxy.log, DIR/tinyproxy.conf   for the curious

Tunnels (CONNECT) go to every port, or with --connect-port only to those
named; tinyproxy refuses the others with 403.

Like httpserver.py it ends itself after its lifetime, so that a test
program that dies never leaves it behind.
"""

import argparse
import os
import shutil
import socket
import subprocess
import sys
import time

CONFIG = """Port {port}
Listen 127.0.0.1
Timeout 30
MaxClients 20
LogLevel Info
LogFile "{folder}/tinyproxy.log"
PidFile "{folder}/tinyproxy.pid"
Allow 127.0.0.1
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


def start(folder, program, connect_ports):
    # tinyproxy wants a fixed port; a port that was taken in between makes
    # it exit, and another one is tried.
    for _ in range(5):
        port = free_port()
        config = os.path.join(folder, "tinyproxy.conf")
        with open(config, "w") as f:
            f.write(CONFIG.format(port=port, folder=folder))
            f.writelines("ConnectPort %d\n" % allowed for allowed in connect_ports)
        process = subprocess.Popen([program, "-d", "-c", config],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and process.poll() is None:
            if accepts(port):
                return process, port
            time.sleep(0.05)
        process.kill()
        process.wait()
    raise SystemExit("tinyproxy did not start")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--lifetime", type=float, default=120.0)
    parser.add_argument("--connect-port", type=int, action="append", default=[])
    arguments = parser.parse_args()
    program = shutil.which("tinyproxy") or "/usr/bin/tinyproxy"
    folder = os.path.abspath(arguments.dir)
    process, port = start(folder, program, arguments.connect_port)
    temporary = os.path.join(folder, "port.tmp")
    with open(temporary, "w") as f:
        f.write(str(port))
    os.replace(temporary, os.path.join(folder, "port"))
    stop = os.path.join(folder, "stop")
    end = time.monotonic() + arguments.lifetime
    while not os.path.exists(stop) and time.monotonic() < end and process.poll() is None:
        time.sleep(0.1)
    process.terminate()
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    with open(os.path.join(folder, "stopped"), "w"):
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
