"""The load of bench/registrations.sh: 20 client processes, each sending its
share of the requests one connection at a time, as the program does."""

import multiprocessing
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from lib import identity  # noqa: E402
from lib.vendor import (Postgres, VendorServer, accepted, exchange, export,  # noqa: E402
                        post, registration_body)

CLIENTS = 20
FIELDS = [("001", "Standalone"), ("101", "Tolvane"),
          ("102", "Bench"), ("200", "Ann"), ("201", "Smith"), ("310", "Microsoft Windows NT")]


def bodies(count, tag, build_dir):
    """Registrations as the program of that build sends them."""
    version = [("000", identity.version_field(build_dir))]
    return [registration_body(version + FIELDS + [("207", "%s-%d@example.com" % (tag, n))],
                              identity.program_version(build_dir))
            for n in range(count)]


def client(port, requests, static, start, failures):
    start.wait()
    for request in requests:
        if static:
            ok = b" 200 " in exchange(port, request).split(b"\r\n", 1)[0]
        else:
            ok = accepted(post(port, request))
        if not ok:
            with failures.get_lock():
                failures.value += 1


def rate(port, requests, static=False):
    """Requests per second answered, over all clients."""
    start = multiprocessing.Barrier(CLIENTS + 1)
    failures = multiprocessing.Value("i", 0)
    processes = [multiprocessing.Process(target=client, args=(
        port, requests[i::CLIENTS], static, start, failures)) for i in range(CLIENTS)]
    for process in processes:
        process.start()
    start.wait()
    began = time.monotonic()
    for process in processes:
        process.join()
    elapsed = time.monotonic() - began
    if failures.value:
        raise SystemExit("%d requests failed" % failures.value)
    return len(requests) / elapsed


def measure(program, database, folder, count, tag):
    """Registrations per second stored, and static-file answers per second,
    from the same server."""
    server = VendorServer(program, database, folder, publish=folder)
    try:
        with open(os.path.join(folder, "versions.txt"), "wb") as f:
            f.write(b"\x161Tolvane Bench\r\n\x1621.0\r\n\x160\r\n" * 8)
        # vendor-server lies in the top folder of its build.
        stored = rate(server.port, bodies(count, tag, os.path.dirname(program)))
        rows = len(export(program, database))
        if rows != count:
            raise SystemExit("%s: %d rows stored for %d registrations" % (tag, rows, count))
        static = rate(server.port, [b"GET /versions.txt HTTP/1.0\r\n\r\n"] * count, static=True)
        return stored, static
    finally:
        server.stop()


def main():
    program, count = sys.argv[1], int(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        sqlite, static = measure(program, os.path.join(folder, "bench.sqlite"), folder, count,
                                 "sqlite")
        print("SQLite: %.0f registrations/s, static file %.0f/s" % (sqlite, static))
        database = Postgres(settings=())
        try:
            if database.skip_reason:
                print("PostgreSQL: not measured (%s)" % database.skip_reason)
                postgres = None
            else:
                postgres, pg_static = measure(program, database.url(), folder, count, "postgres")
                print("PostgreSQL: %.0f registrations/s, static file %.0f/s" %
                      (postgres, pg_static))
        finally:
            database.stop()
    # The static rate is measured beside each backend; the busier moment
    # of a shared machine is the lower one.
    if postgres:
        static = max(static, pg_static)
    print("sqlite %.0f postgresql %s static %.0f" %
          (sqlite, "%.0f" % postgres if postgres else "-", static))


if __name__ == "__main__":
    main()
