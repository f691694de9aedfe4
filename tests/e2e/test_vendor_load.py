"""vendor-server under load, natively: many registrations at once are
written together, and none that was acknowledged is lost when a server is
killed in the middle of the load, alone on SQLite or as one of two behind
nginx on PostgreSQL. The load is the benchmarks' registration-load, which
sends each registration again until it is acknowledged, as the program
does."""

import collections
import os
import subprocess
import threading
import time

from lib import harness
from lib.nginx import Nginx
from lib.vendor import Postgres, VendorServer, accepted, export, post, registration_body

SECONDS = 3


def body(n):
    return registration_body([("000", harness.version_field()), ("102", "Demo"),
                              ("207", "load%d@example.com" % n)], harness.program_version())


class LoadTest(harness.ProgramTest):

    def setUp(self):
        super().setUp()
        if not self.sandbox.native or not self.sandbox.args.registration_load:
            self.skipTest("vendor-server and its load generator are native programs")
        self.folder = os.path.join(self.sandbox.folder, "load")
        self.servers = []

    def tearDown(self):
        for server in self.servers:
            server.stop()
        super().tearDown()

    def serve(self, database, port=0):
        server = VendorServer(self.sandbox.args.vendor_server, database, self.folder, port=port)
        self.servers.append(server)
        return server

    def postgres(self):
        database = Postgres()
        self.addCleanup(database.stop)
        if database.skip_reason:
            self.skipTest(database.skip_reason)
        return database.url()

    def load(self, port, tag):
        """registration-load against `port` for SECONDS, in the background."""
        acknowledged = os.path.join(self.folder, "acknowledged-%s.txt" % tag)
        process = subprocess.Popen(
            [self.sandbox.args.registration_load, "post", "127.0.0.1:%d" % port,
             "/cgi-bin/register", "--connections", "50", "--seconds", str(SECONDS),
             "--tag", tag, "--acknowledged", acknowledged],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

        def finish():
            output, errors = process.communicate(timeout=120)
            self.assertEqual(process.returncode, 0, output + errors)
            with open(acknowledged) as f:
                return output, f.read().split()
        return finish

    def assertAllStoredOnce(self, database, acknowledged, output):
        stored = collections.Counter(row["email"]
                                     for row in export(self.sandbox.args.vendor_server, database))
        self.assertGreater(len(acknowledged), 0, output)
        self.assertEqual([email for email in acknowledged if email not in stored], [], output)
        self.assertEqual({email: n for email, n in stored.items() if n > 1}, {})


class Killed(LoadTest):

    def test_sqlite_server_killed_mid_load_loses_nothing_acknowledged(self):
        database = os.path.join(self.sandbox.folder, "registrations.sqlite")
        first = self.serve(database)
        finish = self.load(first.port, "sqlite")
        time.sleep(SECONDS / 2)
        first.process.kill()
        first.process.wait()
        # The program's retries reach the server started again in its place.
        self.serve(database, port=first.port)
        output, acknowledged = finish()
        self.assertAllStoredOnce(database, acknowledged, output)
        # The kill fell in the middle of the load: something had to be sent again.
        self.assertNotIn(" 0 sent again", output)

    def test_one_of_two_servers_behind_nginx_killed_mid_load_loses_nothing(self):
        database = self.postgres()
        servers = [self.serve(database), self.serve(database)]
        balancer = Nginx(os.path.join(self.folder, "nginx"), balance=[s.port for s in servers])
        self.addCleanup(balancer.stop)
        finish = self.load(balancer.port, "two")
        time.sleep(SECONDS / 2)
        servers[0].process.kill()
        output, acknowledged = finish()
        self.assertAllStoredOnce(database, acknowledged, output)
        for server in servers:
            self.assertIn("stored registration", server.messages())
        # nginx saw the killed server fail under it and went to the other.
        with open(os.path.join(balancer.folder, "error.log")) as f:
            self.assertIn("upstream", f.read())


class Batches(LoadTest):

    def test_the_same_body_sent_at_once_is_stored_once_and_acknowledged_each_time(self):
        # Many copies arrive together and land in one batch: the first is
        # stored, each other copy is a duplicate of it, and all are answered.
        for backend in ("sqlite", "postgresql"):
            with self.subTest(backend):
                database = (self.postgres() if backend == "postgresql" else
                            os.path.join(self.sandbox.folder, "batch.sqlite"))
                server = self.serve(database)
                replies = []

                def send(n):
                    replies.append(accepted(post(server.port, body(n))))

                senders = [threading.Thread(target=send, args=(n % 3,)) for n in range(30)]
                for thread in senders:
                    thread.start()
                for thread in senders:
                    thread.join()
                self.assertEqual(replies, [True] * 30)
                rows = export(server.program, database)
                self.assertEqual(sorted(row["email"] for row in rows),
                                 ["load%d@example.com" % n for n in range(3)])
                self.assertEqual(server.messages().count("is stored already"), 27)


if __name__ == "__main__":
    harness.main()
