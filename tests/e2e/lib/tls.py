"""A throw-away certificate authority for the HTTPS scenarios, made with
openssl in the test's own folder, and the way each system is told to trust
it for one test only.

    authority = TestAuthority(folder)
    authority.certificate("localhost")          # (certificate, key) paths
    authority.certificate("elsewhere.test")     # a name the client won't ask for
    stranger = TestAuthority(other_folder, "Stranger CA")   # trusted by no one
    authority.trust(sandbox, defer)

Natively the program's SSL_CERT_FILE names the authority (OpenSSL then
trusts it alone). Under Wine its certificate goes into the current user's
Root store of the test prefix, the registry key Wine's chain engine reads,
and leaves it when the test ends; the host's stores are never touched.
"""

import hashlib
import os
import struct
import subprocess

ROOT_STORE = "HKEY_CURRENT_USER\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates"
CERT_CERT_PROP_ID = 0x20


def openssl(*arguments, cwd):
    subprocess.run(["openssl", *arguments], cwd=cwd, check=True, capture_output=True)


class TestAuthority:
    def __init__(self, folder, name="Tolvane Test CA"):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.pem = os.path.join(folder, "ca.pem")
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                "-out", "ca.pem", "-days", "7", "-subj", "/CN=" + name,
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)

    def certificate(self, host):
        """A server certificate for `host`, signed by this authority."""
        with open(os.path.join(self.folder, host + ".ext"), "w") as f:
            f.write("subjectAltName=DNS:%s\nbasicConstraints=CA:FALSE\n"
                    "keyUsage=critical,digitalSignature,keyEncipherment\n"
                    "extendedKeyUsage=serverAuth\n" % host)
        openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", host + ".key",
                "-out", host + ".csr", "-subj", "/CN=" + host, cwd=self.folder)
        openssl("x509", "-req", "-in", host + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-set_serial", str(int.from_bytes(os.urandom(8), "big")), "-days", "7",
                "-extfile", host + ".ext", "-out", host + ".pem", cwd=self.folder)
        return os.path.join(self.folder, host + ".pem"), os.path.join(self.folder, host + ".key")

    def der(self):
        return subprocess.run(["openssl", "x509", "-in", self.pem, "-outform", "DER"],
                              check=True, capture_output=True).stdout

    def trust(self, sandbox, defer):
        if sandbox.native:
            sandbox.extra_environment["SSL_CERT_FILE"] = self.pem
            return
        der = self.der()
        key = "%s\\%s" % (ROOT_STORE, hashlib.sha1(der).hexdigest().upper())
        blob = struct.pack("<III", CERT_CERT_PROP_ID, 1, len(der)) + der
        registry_file = os.path.join(self.folder, "trust.reg")
        with open(registry_file, "w", encoding="latin-1") as f:
            f.write("REGEDIT4\n\n[%s]\n\"Blob\"=hex:%s\n" %
                    (key, ",".join("%02x" % b for b in blob)))
        # No pipes: the prefix's background processes that wine may start
        # here would hold them open.
        wine = lambda *arguments: subprocess.run(["wine", "reg", *arguments],
                                                 env=sandbox.environment(), check=True,
                                                 stdout=subprocess.DEVNULL,
                                                 stderr=subprocess.DEVNULL, timeout=120)
        wine("import", registry_file)
        defer(lambda: wine("delete", key, "/f"))
