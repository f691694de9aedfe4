"""A real web server for the update tests: Debian's nginx, started on a free
loopback port with a configuration written into its own folder, serving
the files of DIR/www. It runs in the foreground as one process, so the test
that starts it can end it.

    server = Nginx(folder)   # serves folder/www; server.port
    server.requests()        # the access log's request lines and statuses
    server.stop()

With `tls={"name": (certificate, key), ...}` it also serves the same files
over HTTPS, one port per certificate (server.tls_ports["name"]), and
`register_port` forwards /cgi-bin/ on every port to a registration server
there, so that nginx ends the TLS in front of it. `balance=[port, ...]`
spreads /cgi-bin/ over several registration servers instead, as
docs/vendor.md configures it, for as many connections as a load test makes.
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
events {{ worker_connections {connections}; }}
http {{
    default_type application/octet-stream;
    log_format plain '$request $status $body_bytes_sent';
    access_log {access_log};
    client_body_temp_path {folder}/temp/body;
    proxy_temp_path {folder}/temp/proxy;
    fastcgi_temp_path {folder}/temp/fastcgi;
    uwsgi_temp_path {folder}/temp/uwsgi;
    scgi_temp_path {folder}/temp/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {folder}/www;
        location = /moved/versions.txt {{ return 301 http://127.0.0.1:{port}/update/versions.txt; }}
{extra}
    }}
{tls_servers}
{upstream}
}}
"""

TLS_SERVER = """    server {{
        listen 127.0.0.1:{port} ssl;
        ssl_certificate {certificate};
        ssl_certificate_key {key};
        root {folder}/www;
{extra}
    }}
"""

# Every server: one address redirected up to HTTPS, one down from it, and
# the registration forwarded when asked.
EXTRA = """        location = /up/versions.txt {{ return 301 https://localhost:{secure}/update/versions.txt; }}
        location = /down/versions.txt {{ return 301 http://localhost:{plain}/update/versions.txt; }}
"""
FORWARD = """        location /cgi-bin/ {{ proxy_pass http://127.0.0.1:{register}; }}
"""
# A registration is stored once however often it arrives, so a POST whose
# server failed may go to the next one.
BALANCE = """        location /cgi-bin/ {
            proxy_pass http://vendor_servers;
            proxy_next_upstream error timeout http_502 http_503 non_idempotent;
        }
"""
UPSTREAM = """    upstream vendor_servers {{
{servers}
    }}
"""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Nginx:
    def __init__(self, folder, tls=None, register_port=None, balance=None):
        self.folder = folder
        os.makedirs(os.path.join(folder, "www"), exist_ok=True)
        os.makedirs(os.path.join(folder, "temp"), exist_ok=True)
        tls = tls or {}
        # nginx wants fixed ports: one taken in between makes it exit, and
        # others are tried.
        for _ in range(5):
            self.port = free_port()
            self.tls_ports = {name: free_port() for name in tls}
            config = os.path.join(folder, "nginx.conf")
            with open(config, "w") as f:
                f.write(self._config(tls, register_port, balance))
            self.process = subprocess.Popen([NGINX, "-c", config, "-p", folder, "-e",
                                             os.path.join(folder, "error.log")],
                                            stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            if self._wait_until_listening():
                return
        raise AssertionError("nginx did not start: see %s/error.log" % folder)

    def _config(self, tls, register_port, balance):
        secure = next(iter(self.tls_ports.values()), self.port)
        extra = EXTRA.format(secure=secure, plain=self.port)
        upstream = ""
        if register_port:
            extra += FORWARD.format(register=register_port)
        if balance:
            extra += BALANCE
            upstream = UPSTREAM.format(servers="\n".join(
                "        server 127.0.0.1:%d;" % port for port in balance))
        servers = "".join(TLS_SERVER.format(port=self.tls_ports[name], certificate=certificate,
                                            key=key, folder=self.folder, extra=extra)
                          for name, (certificate, key) in tls.items())
        # Under load the log would be most of the work.
        access_log = "off" if balance is not None else "%s/access.log plain" % self.folder
        return CONFIG.format(folder=self.folder, port=self.port, extra=extra, tls_servers=servers,
                             upstream=upstream, connections=1024 if balance is not None else 64,
                             access_log=access_log)

    def _wait_until_listening(self):
        deadline = time.monotonic() + 10
        waiting = [self.port, *self.tls_ports.values()]
        while time.monotonic() < deadline and self.process.poll() is None:
            try:
                with socket.create_connection(("127.0.0.1", waiting[0]), timeout=0.2):
                    waiting.pop(0)
                    if not waiting:
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

    def secure_url(self, path, name="localhost"):
        """The HTTPS address of the server with certificate `name`, always
        by the name localhost (the name the certificates are checked for)."""
        return "https://localhost:%d%s" % (self.tls_ports[name], path)

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
