"""A real web server for the update tests: Debian's nginx, started on a free
loopback port with a configuration written into its own folder, serving
the files of DIR/www. It runs in the foreground as one process, so the test
that starts it can end it.

    server = Nginx(folder)   # serves folder/www; server.port
    server.requests()        # the access log's request lines and statuses
    server.stop()
"""

import os
import socket
import subprocess
import time

NGINX = "/usr/sbin/nginx"

CONFIG = """daemon off;
master_process off;
worker_processes 1;
pid {folder}/nginx.pid;
error_log {folder}/error.log info;
events {{ worker_connections 64; }}
http {{
    default_type application/octet-stream;
    log_format plain '$request $status $body_bytes_sent';
    access_log {folder}/access.log plain;
    client_body_temp_path {folder}/temp/body;
    proxy_temp_path {folder}/temp/proxy;
    fastcgi_temp_path {folder}/temp/fastcgi;
    uwsgi_temp_path {folder}/temp/uwsgi;
    scgi_temp_path {folder}/temp/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {folder}/www;
        location = /moved/versions.txt {{ return 301 http://127.0.0.1:{port}/update/versions.txt; }}
    }}
}}
"""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Nginx:
    def __init__(self, folder):
        self.folder = folder
        os.makedirs(os.path.join(folder, "www"), exist_ok=True)
        os.makedirs(os.path.join(folder, "temp"), exist_ok=True)
        # nginx wants a fixed port: one taken in between makes it exit, and
        # another is tried.
        for _ in range(5):
            self.port = free_port()
            config = os.path.join(folder, "nginx.conf")
            with open(config, "w") as f:
                f.write(CONFIG.format(folder=folder, port=self.port))
            self.process = subprocess.Popen([NGINX, "-c", config, "-p", folder, "-e",
                                             os.path.join(folder, "error.log")],
                                            stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            if self._wait_until_listening():
                return
        raise AssertionError("nginx did not start: see %s/error.log" % folder)

    def _wait_until_listening(self):
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and self.process.poll() is None:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=0.2):
                    return True
            except OSError:
                time.sleep(0.05)
        self.stop()
        return False

    def www(self, name):
        path = os.path.join(self.folder, "www", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def requests(self):
        """'GET /path HTTP/1.0 STATUS BYTES' for each request served."""
        path = os.path.join(self.folder, "access.log")
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return f.read().splitlines()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
