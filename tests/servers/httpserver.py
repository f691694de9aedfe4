#!/usr/bin/env python3
"""Loopback HTTP server for the network tests.

Serves one case file (see docs/network-tests.md) to every connection and
records the exact bytes of each request it receives, so that a test can
compare them byte for byte:

    httpserver.py --dir DIR --case FILE [--route PATH=FILE ...] [--lifetime SECONDS] [--ipv6]

A request for PATH (the request target without scheme and host, as a proxy
request carries them) is served with the case of its --route; every other
request with the --case.

DIR/port       the port it listens on (127.0.0.1), written once it listens
DIR/request-N  the bytes of the N-th request (N from 1), written once the
               request is complete (header and Content-Length body), or
               when the client closed the connection early
DIR/stop       create it to end the server (checked ten times a second)
DIR/stopped    written when the server has stopped listening

Only the standard library is used: the server is started by native test
programs and by Windows test programs under Wine alike.
"""

import argparse
import os
import re
import socket
import sys
import time

from loopback import LoopbackServer


class Case:
    """One case file: the reply and how to deliver it."""

    def __init__(self, path, port=0):
        self.port = port
        with open(path, "r", encoding="latin-1") as f:
            text = f.read()
        self.folder = os.path.dirname(os.path.abspath(path))
        self.reply = b""
        self.pieces = 1
        self.delay = 0.0
        self.cut = None
        self.split_at = []
        self.piece_size = None
        self.first_cut = None      # (body bytes, "close" or "stall") for the first request
        self.ranges = False
        self.mode = "reply"
        reply = re.search(r"<reply([^>]*)>\n?(.*?)</reply>", text, re.S)
        if reply:
            self.reply = self.expand(reply.group(2), 'crlf="yes"' in reply.group(1))
        servercmd = re.search(r"<servercmd>(.*?)</servercmd>", text, re.S)
        if servercmd:
            self.commands(servercmd.group(1))

    def expand(self, body, crlf):
        # %repeat[COUNT x TEXT]% makes long replies without long files;
        # %file[NAME]% stands for the bytes of a file, as they are, and
        # %port% for the port the server listens on.
        body = body.replace("%port%", str(self.port))
        body = re.sub(r"%repeat\[(\d+) x (.*?)\]%", lambda m: m.group(2) * int(m.group(1)), body)
        parts = re.split(r"%file\[(.*?)\]%", body)
        data = []
        for index, part in enumerate(parts):
            if index % 2:
                with open(os.path.join(self.folder, part), "rb") as f:
                    data.append(f.read())
                continue
            if crlf:
                part = part.replace("\r\n", "\n").replace("\n", "\r\n")
            data.append(part.encode("latin-1"))
        return b"".join(data)

    def commands(self, body):
        for line in body.splitlines():
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if words[0] == "pieces":
                self.pieces = max(1, int(words[1]))
            elif words[0] == "delay-ms":
                self.delay = int(words[1]) / 1000.0
            elif words[0] == "split-at":
                self.split_at = sorted(int(word) for word in words[1:])
            elif words[0] == "cut":
                self.cut = int(words[1])
            elif words[0] == "piece-size":
                self.piece_size = max(1, int(words[1]))
            elif words[0] in ("first-cut", "first-stall"):
                self.first_cut = (int(words[1]), words[0][6:])
            elif words[0] == "ranges":
                self.ranges = True
            elif words[0] in ("silent", "close-at-once", "no-accept"):
                self.mode = words[0]
            else:
                raise SystemExit("unknown server command: " + line)


def request_path(request):
    """The path a request asks for: its target without scheme and host."""
    line = request.split(b"\r\n", 1)[0].decode("latin-1")
    words = line.split(" ")
    target = words[1] if len(words) > 1 else ""
    match = re.match(r"^[A-Za-z][A-Za-z0-9+.-]*://[^/]*(.*)$", target)
    return match.group(1) if match else target


def ranged(case, request):
    """The reply to a request for `bytes=START-` whose If-Range (if any)
    names the reply's ETag or Last-Modified: 206 with the rest of the body.
    None when the whole reply is due."""
    head, _, body = case.reply.partition(b"\r\n\r\n")
    asked = re.search(rb"(?im)^range:\s*bytes=(\d+)-\r$", request)
    if not asked:
        return None
    condition = re.search(rb"(?im)^if-range:\s*(.*?)\r$", request)
    validators = re.findall(rb"(?im)^(?:etag|last-modified):\s*(.*?)\r$", head)
    if condition and condition.group(1) not in validators:
        return None
    start = int(asked.group(1))
    fields = [line for line in head.split(b"\r\n")[1:]
              if not re.match(rb"(?i)content-length:", line)]
    return b"\r\n".join([b"HTTP/1.1 206 Partial Content"] + fields + [
        b"Content-Range: bytes %d-%d/%d" % (start, len(body) - 1, len(body)),
        b"Content-Length: %d" % (len(body) - start), b"", b""]) + body[start:]


class Server(LoopbackServer):
    """Listens at once; the cases are given once the port is known."""

    def __init__(self, folder, ipv6=False):
        super().__init__(folder, ipv6)
        self.case = None
        self.routes = {}
        self.held = []

    def start(self):
        if self.case.mode == "no-accept":
            # A full accept queue: the kernel drops further connection
            # requests, so a client's connect stays pending.
            self.listener.listen(0)
            for _ in range(4):
                filler = socket.socket()
                filler.setblocking(False)
                try:
                    filler.connect(("127.0.0.1", self.port))
                except BlockingIOError:
                    pass
                self.held.append(filler)
            time.sleep(0.2)
            self.write_file("port", str(self.port).encode())
        else:
            super().start()

    def serve(self, connection, number):
        try:
            if self.case.mode == "close-at-once":
                return
            request = self.read_request(connection)
            self.write_file("request-%d" % number, request)
            case = self.routes.get(request_path(request), self.case)
            if case.mode == "silent":
                # Never answer; hold the connection until the client gives up.
                self.hold(connection)
                return
            data = ranged(case, request) if case.ranges else None
            first = case.first_cut is not None and not getattr(case, "served", False)
            case.served = True
            self.reply(connection, case, data, case.first_cut if first else None)
        finally:
            connection.close()

    def reply(self, connection, case, whole=None, first_cut=None):
        # A view, so that large replies are sent without copies.
        data = memoryview(whole if whole is not None else case.reply)
        if case.cut is not None:
            data = data[: case.cut]
        if first_cut is not None:
            # The first answer breaks off this many bytes into the body.
            data = data[: bytes(data).index(b"\r\n\r\n") + 4 + first_cut[0]]
        if case.split_at:
            bounds = [0] + [at for at in case.split_at if 0 < at < len(data)] + [len(data)]
        else:
            size = case.piece_size or max((len(data) + case.pieces - 1) // case.pieces, 1)
            bounds = list(range(0, len(data), size)) + [len(data)]
        try:
            for start, end in zip(bounds, bounds[1:]):
                if case.delay:
                    time.sleep(case.delay)
                if self.stopping.is_set():
                    return
                connection.sendall(data[start:end])
            if first_cut is not None and first_cut[1] == "stall":
                self.hold(connection)
                return
            self.close_gently(connection)
        except OSError:
            pass

    def hold(self, connection):
        """Keeps the connection open and silent until the client gives up."""
        connection.settimeout(0.1)
        while not self.stopping.is_set():
            try:
                if not connection.recv(65536):
                    return
            except socket.timeout:
                continue
            except OSError:
                return


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--case", required=True)
    parser.add_argument("--route", action="append", default=[], metavar="PATH=FILE")
    parser.add_argument("--lifetime", type=float, default=120.0)
    parser.add_argument("--ipv6", action="store_true", help="listen on ::1 instead")
    arguments = parser.parse_args()
    server = Server(arguments.dir, arguments.ipv6)
    server.case = Case(arguments.case, server.port)
    for route in arguments.route:
        path, separator, case = route.partition("=")
        if not separator:
            raise SystemExit("a route is PATH=FILE: " + route)
        server.routes[path] = Case(case, server.port)
    return server.run(arguments.lifetime)


if __name__ == "__main__":
    sys.exit(main())
