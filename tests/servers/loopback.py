"""What the loopback test servers share: a listener on 127.0.0.1 at a port
the system chooses, the files through which a test talks to a server
(`port` once it listens, `request-N` as received, `stop` to end it,
`stopped` once it has ended; each written whole under a temporary name),
one thread per connection, and reading a request to its end."""

import os
import re
import socket
import threading
import time

REQUEST_TIMEOUT = 10
DRAIN_TIMEOUT = 3.0


class LoopbackServer:
    """A server for one test; subclasses answer connections in serve()."""

    def __init__(self, folder, ipv6=False):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        family = socket.AF_INET6 if ipv6 else socket.AF_INET
        self.listener = socket.socket(family, socket.SOCK_STREAM)
        self.listener.bind(("::1" if ipv6 else "127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]

    def write_file(self, name, data):
        # Whole files only: a test never sees half a record. A test that
        # has already gone took its folder with it.
        temporary = os.path.join(self.folder, name + ".tmp")
        try:
            with open(temporary, "wb") as f:
                f.write(data)
            os.replace(temporary, os.path.join(self.folder, name))
        except OSError:
            pass

    def start(self):
        self.listener.listen(16)
        threading.Thread(target=self.accept_loop, daemon=True).start()
        self.write_file("port", str(self.port).encode())

    def accept_loop(self):
        self.listener.settimeout(0.1)
        while not self.stopping.is_set():
            try:
                connection, _ = self.listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            with self.lock:
                self.count += 1
                number = self.count
            threading.Thread(target=self.serve, args=(connection, number), daemon=True).start()

    def serve(self, connection, number):
        raise NotImplementedError

    @staticmethod
    def read_request(connection):
        """The header up to the empty line and as many body bytes as its
        Content-Length says, or what came before the client closed."""
        connection.settimeout(REQUEST_TIMEOUT)
        data = b""
        needed = None
        while True:
            if needed is None and b"\r\n\r\n" in data:
                head = data.split(b"\r\n\r\n", 1)[0]
                match = re.search(rb"(?im)^content-length:\s*(\d+)", head)
                needed = len(head) + 4 + (int(match.group(1)) if match else 0)
            if needed is not None and len(data) >= needed:
                return data
            try:
                chunk = connection.recv(65536)
            except OSError:
                return data
            if not chunk:
                return data
            data += chunk

    @staticmethod
    def close_gently(connection):
        """Ends the reply: shuts the sending side and waits for the client's
        close, so that nothing it still sends turns our close into a reset."""
        connection.shutdown(socket.SHUT_WR)
        connection.settimeout(DRAIN_TIMEOUT)
        while connection.recv(65536):
            pass

    def run(self, lifetime):
        """Serves until the test asks it to stop, at most `lifetime` seconds."""
        self.start()
        stop = os.path.join(self.folder, "stop")
        end = time.monotonic() + lifetime
        while not os.path.exists(stop) and time.monotonic() < end:
            time.sleep(0.1)
        self.stopping.set()
        self.listener.close()
        self.write_file("stopped", b"")
        return 0
