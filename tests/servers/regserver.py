#!/usr/bin/env python3
"""Loopback registration server: what a vendor's server does with a
registration, with its own decoder (nothing of the program's code).

    regserver.py --dir DIR [--mode MODE[,MODE...]] [--expect FILE]
                 [--silent-seconds S] [--lifetime SECONDS]

Every POST is decoded: the body's header (lengths, program version, CRC-32),
the printable encoding, the scrambling and the numbered fields. The result
is checked against the expectation file, and the connection is answered
according to its mode (the N-th connection takes the N-th mode of the list,
the last one repeating):

    accept   "RegSuccess" when the registration passed every check, an error
             page naming what was wrong otherwise
    split    as accept, but the word "RegSuccess" arrives in two pieces
    refuse   an error page, whatever arrived
    silent   no answer; the connection is held for --silent-seconds (or
             until the server stops) and closed without a word

Files in DIR (each written whole, under a temporary name first):

    port         the port it listens on (127.0.0.1)
    request-N    the bytes of the N-th request
    fields-N     the decoded registration as JSON: "header" (the numbers of
                 the body's header) and "fields" ([number, value] pairs in the
                 order received, values as Latin-1 text)
    verdict-N    "ok" or one problem per line
    stop         create it to end the server
    stopped      written when the server has stopped listening

The expectation file is JSON, read for every request:

    {"path": "/register", "user_agent": "...", "version": "1.2",
     "fields": [["000", "v1.2 (Release)"], ["300", {"match": "REGEX"}], ...]}

"fields" lists every field that must arrive, in order: a field that is not
listed must not be there, so left-out fields are checked too. A value is
the exact text or {"match": REGEX} for facts of the machine.
"""

import argparse
import json
import os
import re
import socket
import sys
import time
import zlib

from loopback import LoopbackServer

SPLIT_PAUSE = 0.3

ACCEPTED = (b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
            b"<html><body>Thank you. RegSuccess</body></html>\r\n")
ERROR_PAGE = (b"HTTP/1.0 500 Internal Server Error\r\nContent-Type: text/html\r\n\r\n"
              b"<html><body><h1>Registration failed</h1><pre>%s</pre></body></html>\r\n")


class BadBody(Exception):
    pass


def hex_number(text, what):
    if not re.fullmatch(rb"[0-9A-F]{8}|[0-9A-F]{2}", text):
        raise BadBody("%s is not upper-case hexadecimal: %r" % (what, text))
    return int(text, 16)


def unprintable(encoded, length):
    """The bytes behind the printable encoding: 8 hex digits of the length,
    then 4 characters from '!' to '`' for every 3 bytes."""
    if len(encoded) < 8:
        raise BadBody("encoded text shorter than its length digits")
    if hex_number(encoded[:8], "encoded length digits") != length:
        raise BadBody("encoded length digits %r differ from the header's %d"
                      % (encoded[:8], length))
    groups = encoded[8:]
    if len(groups) != 4 * ((length + 2) // 3):
        raise BadBody("%d encoded characters for %d bytes" % (len(groups), length))
    data = bytearray()
    for start in range(0, len(groups), 4):
        value = 0
        for c in groups[start:start + 4]:
            if not 33 <= c <= 96:
                raise BadBody("character %r outside '!' to '`'" % chr(c))
            value = (value << 6) | (c - 33)
        data += bytes(((value >> 16) & 255, (value >> 8) & 255, value & 255))
    return bytes(data[:length])


def unscramble(data):
    return bytes(b ^ (((47 * i) // 31) & 255) for i, b in enumerate(data))


def split_fields(payload):
    if payload[:1] != b"\x02":
        raise BadBody("payload does not begin with a field")
    marks = [m.start() for m in re.finditer(rb"\x02(?=\d{3})", payload)]
    if marks[0] != 0:
        raise BadBody("payload does not begin with a field number")
    fields = []
    for start, end in zip(marks, marks[1:] + [len(payload)]):
        fields.append((payload[start + 1:start + 4].decode(), payload[start + 4:end]))
    return fields


def decode_body(body):
    """Header numbers and fields of a registration body; BadBody if wrong."""
    if len(body) < 12:
        raise BadBody("body of %d bytes has no header" % len(body))
    total = hex_number(body[:8], "body length")
    version_length = hex_number(body[8:10], "version length")
    end = 10 + version_length
    version = body[10:end].decode("latin-1")
    if len(body) < end + 24:
        raise BadBody("header cut short")
    payload_length = hex_number(body[end:end + 8], "payload length")
    encoded_length = hex_number(body[end + 8:end + 16], "encoded length")
    crc = hex_number(body[end + 16:end + 24], "CRC")
    encoded = body[end + 24:]
    if total != len(body):
        raise BadBody("header says %d bytes, body has %d" % (total, len(body)))
    if encoded_length != len(encoded):
        raise BadBody("header says %d encoded bytes, %d came" % (encoded_length, len(encoded)))
    if zlib.crc32(encoded) != crc:
        raise BadBody("CRC %08X, header says %08X" % (zlib.crc32(encoded), crc))
    payload = unscramble(unprintable(encoded, payload_length))
    header = {"body_length": total, "version": version, "payload_length": payload_length,
              "encoded_length": encoded_length, "crc": crc, "header_length": end + 24}
    return header, split_fields(payload)


def check(request, expected):
    """The problems of one request against the expectation (empty: none)."""
    problems = []
    head, _, body = request.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    words = lines[0].split(" ")
    if len(words) != 3 or words[0] != "POST" or words[2] != "HTTP/1.0":
        problems.append("request line %r" % lines[0])
    elif "path" in expected and not words[1].endswith(expected["path"]):
        problems.append("path %r, expected %r" % (words[1], expected["path"]))
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    if "user_agent" in expected and headers.get("user-agent") != expected["user_agent"]:
        problems.append("User-Agent %r, expected %r" % (headers.get("user-agent"),
                                                        expected["user_agent"]))
    if headers.get("content-length") != str(len(body)):
        problems.append("Content-Length %r for %d body bytes" % (headers.get("content-length"),
                                                                 len(body)))
    try:
        header, fields = decode_body(body)
    except BadBody as error:
        return problems + ["bad body: %s" % error], None
    if header["version"] != expected.get("version"):
        problems.append("program version %r, expected %r" % (header["version"],
                                                             expected.get("version")))
    if "fields" in expected:
        problems += check_fields(fields, expected["fields"])
    decoded = {"header": header,
               "fields": [[number, value.decode("latin-1")] for number, value in fields]}
    return problems, decoded


def check_fields(fields, expected):
    problems = []
    got_numbers = [number for number, _ in fields]
    want_numbers = [number for number, _ in expected]
    if got_numbers != want_numbers:
        problems.append("fields %s, expected %s" % (" ".join(got_numbers), " ".join(want_numbers)))
    received = dict((number, value.decode("latin-1")) for number, value in fields)
    for number, want in expected:
        if number not in received:
            continue
        value = received[number]
        if isinstance(want, dict):
            if not re.fullmatch(want["match"], value, re.S):
                problems.append("field %s %r does not match %r" % (number, value, want["match"]))
        elif value != want:
            problems.append("field %s %r, expected %r" % (number, value, want))
    return problems


class Server(LoopbackServer):
    def __init__(self, folder, modes, expect_file, silent_seconds):
        super().__init__(folder)
        self.modes = modes
        self.expect_file = expect_file
        self.silent_seconds = silent_seconds

    def serve(self, connection, number):
        mode = self.modes[min(number, len(self.modes)) - 1]
        try:
            request = self.read_request(connection)
            self.write_file("request-%d" % number, request)
            problems, decoded = check(request, self.expectation())
            if decoded is not None:
                self.write_file("fields-%d" % number, json.dumps(decoded, indent=1).encode())
            self.write_file("verdict-%d" % number,
                            ("\n".join(problems) if problems else "ok").encode() + b"\n")
            if mode == "silent":
                self.hold(connection)
            elif mode == "refuse" or problems:
                self.send(connection, [ERROR_PAGE % "\n".join(problems).encode("latin-1")])
            elif mode == "split":
                cut = ACCEPTED.index(b"RegSuccess") + 3
                self.send(connection, [ACCEPTED[:cut], ACCEPTED[cut:]])
            else:
                self.send(connection, [ACCEPTED])
        finally:
            connection.close()

    def expectation(self):
        """Read for every request, so a test may state it after the start."""
        if not self.expect_file:
            return {}
        with open(self.expect_file, encoding="latin-1") as f:
            return json.load(f)

    def hold(self, connection):
        end = time.monotonic() + self.silent_seconds if self.silent_seconds else None
        connection.settimeout(0.1)
        while not self.stopping.is_set() and (end is None or time.monotonic() < end):
            try:
                if not connection.recv(65536):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def send(self, connection, pieces):
        try:
            connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            for index, piece in enumerate(pieces):
                if index:
                    time.sleep(SPLIT_PAUSE)
                connection.sendall(piece)
            self.close_gently(connection)
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--mode", default="accept")
    parser.add_argument("--expect")
    parser.add_argument("--silent-seconds", type=float, default=0.0)
    parser.add_argument("--lifetime", type=float, default=300.0)
    arguments = parser.parse_args()
    modes = arguments.mode.split(",")
    for mode in modes:
        if mode not in ("accept", "split", "refuse", "silent"):
            raise SystemExit("unknown mode: " + mode)
    server = Server(arguments.dir, modes, arguments.expect, arguments.silent_seconds)
    return server.run(arguments.lifetime)


if __name__ == "__main__":
    sys.exit(main())
