"""The update and the registration over HTTPS, against a real nginx on
loopback holding certificates of a throw-away authority the test makes
with openssl: directly, through tinyproxy's tunnel, redirected up from
http://, and refused for a certificate of an unknown authority or one
naming another host. Both systems; the authority is trusted natively
through SSL_CERT_FILE and under Wine in the test prefix's Root store."""

import os

from lib import harness
from lib.nginx import Nginx
from lib.registration import PROXY, RegServer, Registration, Server, User
from lib.tls import TestAuthority
from test_register import ANN, NO, QUESTION, REGISTER, THANKS, USER_AGENT, RegistrationTest
from test_update import CAPTION, NO_CONTACT, RETRY_CHECK, message_boxes
from test_update_nginx import INTERNET_SETTINGS, NginxUpdate

# Each refused certificate, and the reason the log gives on each system.
REFUSED = [
    ("stranger", "Certificate for 'localhost' not trusted (",
     {"posix": "20: unable to get local issuer certificate)", "win32": "0x800B010A)"}),
    ("elsewhere", "Certificate for 'localhost' names another host (",
     {"posix": "62: hostname mismatch)", "win32": "0x800B010F)"}),
]


def secure_servers(folder, sandbox, defer):
    """Certificates for nginx: localhost and another name from the trusted
    authority, localhost from a stranger."""
    authority = TestAuthority(os.path.join(folder, "ca"))
    stranger = TestAuthority(os.path.join(folder, "stranger"), "Stranger CA")
    authority.trust(sandbox, defer)
    return {"localhost": authority.certificate("localhost"),
            "elsewhere": authority.certificate("elsewhere.test"),
            "stranger": stranger.certificate("localhost")}


class SecureUpdate(NginxUpdate):

    def start_nginx(self, folder):
        return Nginx(folder, tls=secure_servers(self.sandbox.folder, self.sandbox, self.defer))

    def publish_secure(self, server="localhost"):
        return self.publish(download=self.nginx.secure_url("/files/demo.exe", server))

    def backend(self):
        return "posix" if self.sandbox.native else "win32"

    def test_signed_release_over_https(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish_secure(),
                           url=self.nginx.secure_url("/update/versions.txt"))
        self.update_and_accept()
        self.assert_installed()
        log = self.sandbox.log()
        self.assertIn("Contacting 'https://localhost/' '/files/demo.exe'\n", log)
        self.assertNotIn("Update on phase 1\n", log)

    def test_through_the_tunnel_of_tinyproxy(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish_secure(),
                           url=self.nginx.secure_url("/update/versions.txt"))
        proxy = self.use_proxy()
        self.update_and_accept()
        self.assert_installed()
        target = "localhost:%d" % self.nginx.tls_ports["localhost"]
        log = self.sandbox.log()
        self.assertIn("Tunnel to '%s' open (HTTP/1.0 200 Connection established)\n" % target, log)
        self.assertNotIn("Update download on phase 1\n", log)
        with open(proxy.path("tinyproxy.log")) as f:
            through = f.read()
        self.assertIn("CONNECT %s HTTP/1.0" % target, through)
        self.assertNotIn("GET ", through, "the requests travel inside the tunnel")

    def test_plain_address_redirected_up_to_https_is_followed(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish_secure(), path="/up/versions.txt")
        self.update_and_accept()
        self.assertEqual(self.release_starts(), ["-Quiet"])
        self.assertEqual(self.nginx.requests()[0].split(" ")[:4],
                         ["GET", "/up/versions.txt", "HTTP/1.0", "301"])
        self.assertIn("Redirected (HTTP/1.1 301 Moved Permanently) to '%s'\n" %
                      self.nginx.secure_url("/update/versions.txt"), self.sandbox.log())

    def test_certificates_that_do_not_hold_are_refused(self):
        self.needs_native_boxes()
        key = self.publish_secure()
        for server, reason, code in REFUSED:
            with self.subTest(server=server):
                self.pack_with_key(key, url=self.nginx.secure_url("/update/versions.txt", server))
                if self.sandbox.native:
                    result = self.check(["yes", "no"])
                    self.assertEqual(message_boxes(result.stdout)[1:],
                                     [RETRY_CHECK, NO_CONTACT])
                else:
                    texts = self.check_with_robot([(CAPTION, "Yes"), (CAPTION, "No"),
                                                   (CAPTION, "OK")])
                    self.assertEqual(texts[1:], [RETRY_CHECK[1], NO_CONTACT[1]])
                log = self.sandbox.log()
                self.assertEqual(log.count(reason + code[self.backend()] + "\n"), 2, log)
                self.assertEqual(self.nginx.requests(), [], "nothing is ever sent in the clear")

    def test_https_never_redirected_down_to_http(self):
        self.native_only()
        self.pack_with_key(self.publish_secure(), url=self.nginx.secure_url("/down/versions.txt"))
        result = self.check(["yes", "no"])
        self.assertEqual(message_boxes(result.stdout)[1:], [RETRY_CHECK, NO_CONTACT])
        self.assertIn("Refusing to follow the redirect to '%s'\n" %
                      self.nginx.url("/update/versions.txt").replace("127.0.0.1", "localhost"),
                      self.sandbox.log())

    def test_a_proxy_refusing_the_tunnel_leaves_the_direct_attempt(self):
        self.native_only()
        self.pack_with_key(self.publish_secure(),
                           url=self.nginx.secure_url("/update/versions.txt"))
        self.use_proxy("--connect-port", "1")
        self.update_and_accept()
        self.assert_installed()
        target = "localhost:%d" % self.nginx.tls_ports["localhost"]
        log = self.sandbox.log()
        self.assertIn("Proxy refused the tunnel to '%s' (HTTP/1.0 403 " % target, log)
        self.assertIn("Update on phase 1\n", log)


class SecureRegistration(RegistrationTest):
    """nginx ends the TLS in front of the registration server, which still
    decodes and checks every field."""

    def setUp(self):
        super().setUp()
        self.server = RegServer(self.sandbox, self.defer)
        folder = self.sandbox.folder
        self.nginx = Nginx(os.path.join(folder, "nginx"),
                           tls=secure_servers(folder, self.sandbox, self.defer),
                           register_port=self.server.port)
        self.defer(self.nginx.stop)

    def register_at(self, address):
        front = type("Front", (), {"url": lambda _, path=None: address})()
        self.registration = Registration(self.sandbox, self.defer, front)
        self.registration.forget_user()
        self.registration.install_shortcut()
        self.sandbox.pack(self.registration.script())
        self.user = User(self.sandbox, self.registration.title)
        self.expect(ANN, answer="No")
        self.user.answer(QUESTION, "Yes")
        self.user.fill(ANN)
        self.user.tick(NO)
        self.user.press(REGISTER)
        return self.user

    def test_registration_over_https(self):
        self.needs_native_boxes()
        user = self.register_at(self.nginx.secure_url("/cgi-bin/register"))
        user.answer(THANKS)
        result = self.run_program("-Register", "-debug")
        self.assertEqual(self.boxes(result), [QUESTION, THANKS])
        self.assert_registered()
        self.assertIn(b"User-Agent: %s\r\n" % USER_AGENT.encode(), self.server.request())
        self.assertEqual(self.nginx.requests()[0].split(" ")[:4],
                         ["POST", "/cgi-bin/register", "HTTP/1.0", "200"])

    def test_registration_through_the_tunnel_of_tinyproxy(self):
        self.needs_native_boxes()
        proxy = Server(self.sandbox, self.defer, "proxy", PROXY, "--lifetime", "900")
        self.sandbox.regtool("set-dword", "1", INTERNET_SETTINGS, "ProxyEnable", "1")
        self.sandbox.regtool("set-string", "1", INTERNET_SETTINGS, "ProxyServer",
                             "https=127.0.0.1:%d" % proxy.port)
        # Under Wine the registry is the prefix's, shared with later tests.
        self.defer(lambda: self.sandbox.regtool("set-dword", "1", INTERNET_SETTINGS,
                                                "ProxyEnable", "0"))
        user = self.register_at(self.nginx.secure_url("/cgi-bin/register"))
        user.answer(THANKS)
        result = self.run_program("-Register", "-debug")
        self.assertEqual(self.boxes(result), [QUESTION, THANKS])
        self.assert_registered()
        self.assertNotIn("Submission on phase 1\n", self.log())
        with open(proxy.path("tinyproxy.log")) as f:
            self.assertIn("CONNECT localhost:%d HTTP/1.0" % self.nginx.tls_ports["localhost"],
                          f.read())

    def test_a_certificate_for_another_host_gets_nothing(self):
        self.native_only()
        user = self.register_at(self.nginx.secure_url("/cgi-bin/register", "elsewhere"))
        user.answer("There was a problem sending your registration, would you like to try "
                    "again?", "No")
        result = self.run_program("-Register", "-debug")
        self.assertEqual(len(self.boxes(result)), 2)
        self.assertEqual(self.server.requests(), 0)
        self.assertEqual(self.nginx.requests(), [])
        self.assertIn("Certificate for 'localhost' names another host (", self.log())


if __name__ == "__main__":
    harness.main()
