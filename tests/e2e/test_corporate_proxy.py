"""The update on a company network, on both systems: squid asking for
Basic credentials, the settings' bypass list, and a PAC file served by
nginx that names an unreachable proxy first. The release and its version
information come from nginx, as in test_update_nginx."""

import os

from lib import harness
from lib.registration import Server
from test_update_nginx import INTERNET_SETTINGS, NginxUpdate

SQUID = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "servers",
                     "squidserver.py")
PASSWORD = "s3cret"


class CorporateProxy(NginxUpdate):

    def setUp(self):
        super().setUp()
        if not os.path.exists("/usr/sbin/squid"):
            self.skipTest("squid is not installed (scripts/install-deps)")

    def squid(self):
        # Under Wine the packer's steps before the run take a while.
        return Server(self.sandbox, self.defer, "squid", SQUID, "--user", "alice",
                      "--password", PASSWORD, "--lifetime", "900")

    def settings(self, enable, server, bypass="", pac=""):
        regtool = self.sandbox.regtool
        regtool("set-dword", "1", INTERNET_SETTINGS, "ProxyEnable", str(enable))
        regtool("set-string", "1", INTERNET_SETTINGS, "ProxyServer", server)
        regtool("set-string", "1", INTERNET_SETTINGS, "ProxyOverride", bypass)
        regtool("set-string", "1", INTERNET_SETTINGS, "AutoConfigURL", pac)

        # Under Wine the registry is the prefix's, shared with later tests.
        def undo():
            regtool("set-dword", "1", INTERNET_SETTINGS, "ProxyEnable", "0")
            regtool("set-string", "1", INTERNET_SETTINGS, "ProxyOverride", "")
            regtool("set-string", "1", INTERNET_SETTINGS, "AutoConfigURL", "")
        self.defer(undo)

    def assert_release_installed(self):
        # Through squid nginx sees HTTP/1.1 requests: only what arrived counts.
        self.assertEqual(self.release_starts(), ["-Quiet"])
        self.assertEqual(self.demo_program(), self.release_bytes())
        self.assertIn("Signature of 'demo.exe' verified\n", self.sandbox.log())

    def assert_through_squid(self, squid):
        log = self.sandbox.log()
        self.assertIn("Proxy authentication: Basic as 'alice'\n", log)
        self.assertNotIn(PASSWORD, log)
        self.assertNotIn("Update on phase 1\n", log)
        self.assertNotIn("Update download on phase 1\n", log)
        with open(squid.path("access.log")) as f:
            through = f.read()
        self.assertIn("TCP_DENIED/407", through)
        self.assertIn("%s alice" % self.nginx.url("/files/demo.exe"), through)

    def test_basic_credentials_from_the_settings(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish())
        squid = self.squid()
        self.settings(1, "http=alice:%s@127.0.0.1:%d" % (PASSWORD, squid.port))
        self.update_and_accept()
        self.assert_release_installed()
        self.assert_through_squid(squid)
        self.assertIn("Proxy Enabled (0x00000001) : alice:****@127.0.0.1:%d\n" % squid.port,
                      self.sandbox.log())

    def test_internal_hosts_go_direct(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish())
        # A proxy nobody answers: any use of it would fail the phase.
        self.settings(1, "127.0.0.1:1", bypass="*.corp;127.0.0.1;<local>")
        self.update_and_accept()
        self.assert_installed()
        log = self.sandbox.log()
        self.assertIn("Proxy Bypassed (0x00000001) : '127.0.0.1' matches '127.0.0.1'\n", log)
        self.assertNotIn("Update on phase 1\n", log)

    def test_pac_file_chooses_the_proxy(self):
        self.needs_native_boxes()
        self.pack_with_key(self.publish())
        squid = self.squid()
        # The first proxy of the download cannot be reached: the next is tried.
        with open(self.nginx.www("proxy.pac"), "w") as f:
            f.write('function FindProxyForURL(url, host) {\n'
                    '  if (isPlainHostName(host) || dnsDomainIs(host, ".corp")) return "DIRECT";\n'
                    '  if (shExpMatch(url, "*/files/*")) return "PROXY 127.0.0.1:1; PROXY 127.0.0.1:%d";\n'
                    '  return "PROXY 127.0.0.1:%d";\n'
                    '}\n' % (squid.port, squid.port))
        pac = self.nginx.url("/proxy.pac")
        # The credentials of the proxy the PAC names; the fixed proxy is off.
        self.settings(0, "alice:%s@127.0.0.1:%d" % (PASSWORD, squid.port), pac=pac)
        self.update_and_accept()
        self.assert_release_installed()
        log = self.sandbox.log()
        if not self.sandbox.native:
            # Wine differs: its WinHttpGetProxyForUrl hands back only the first
            # PROXY entry, where Windows gives the whole list. The download
            # then fails in phase 0 and succeeds directly in phase 1.
            self.assertIn("Proxy from PAC '%s' : PROXY 127.0.0.1:%d\n" % (pac, squid.port), log)
            self.assertIn("Proxy from PAC '%s' : PROXY 127.0.0.1:1\n"
                          "Unable to connect to machine 127.0.0.1:1" % pac, log)
            self.assertIn("Proxy authentication: Basic as 'alice'\n", log)
            self.assertNotIn(PASSWORD, log)
            return
        self.assert_through_squid(squid)
        self.assertIn("Proxy from PAC '%s' : PROXY 127.0.0.1:1; PROXY 127.0.0.1:%d\n"
                      % (pac, squid.port), log)
        self.assertIn("Trying the next proxy choice : alice:****@127.0.0.1:%d\n" % squid.port, log)

    def test_unusable_pac_falls_back_to_the_fixed_proxy(self):
        self.native_only()
        self.pack_with_key(self.publish())
        squid = self.squid()
        pac = self.nginx.url("/missing.pac")
        self.settings(1, "alice:%s@127.0.0.1:%d" % (PASSWORD, squid.port), pac=pac)
        self.update_and_accept()
        self.assert_release_installed()
        self.assert_through_squid(squid)
        log = self.sandbox.log()
        self.assertIn("Server replied 'HTTP/1.1 404 Not Found'\n"
                      "PAC '%s' failed: the script could not be fetched; the fixed settings "
                      "apply\n" % pac, log)


if __name__ == "__main__":
    harness.main()
