"""Registering the product: the question, the form and its messages, the
e-mail check, the registration as the vendor's server decodes and checks
it, the retry question, the proxy, the stored details and the registration
shortcut that "DONE" deletes, and the vendors' decoder.

The main scenario runs on both systems: natively the form is typed on
standard input, under Wine the dialog robot fills the real dialogs. The
others run natively, where each costs a fraction of a second."""

import os
import random
import subprocess
import zlib

from lib import harness
from lib.registration import (DECLINE, NO, REGISTER, USER_AGENT, YES, Proxy,
                              RegServer, Registration, User, message_boxes)

QUESTION = "Would you like to register?"
CHOOSE = "You must choose if you wish to receive updates or not."
INCOMPLETE = "All fields must be filled in correctly."
BAD_EMAIL = "The email address does not appear to be valid."
MISMATCH = ("The email address you entered does not match, please check your email "
            "address again")
SURE = "Are you sure you don't want to register?"
RETRY = "There was a problem sending your registration, would you like to try again?"
THANKS = "Your registration has been successfully sent!  Thank you!"

ANN = {"first": "Ann", "last": "Smith  ", "address": "1 Main Street", "city": "Springfield",
       "state": "IL", "country": "USA", "zip": "62701", "email": "Ann.Smith@example.com",
       "phone": "555-123-4567", "found": "A friend told me", "age": "30 to 34"}


class RegistrationTest(harness.ProgramTest):
    """A registration server and a product that registers with it."""

    def setUp(self):
        super().setUp()
        self.deferred = []

    def tearDown(self):
        for undo in reversed(self.deferred):
            undo()
        super().tearDown()

    def defer(self, undo):
        self.deferred.append(undo)

    def native_only(self):
        if not self.sandbox.native:
            self.skipTest("covered natively; the main scenario runs under Wine")

    def product(self, mode="accept", silent_seconds=0, **settings):
        """Server, registration and user; the program is packed."""
        self.server = RegServer(self.sandbox, self.defer, mode, silent_seconds)
        self.registration = Registration(self.sandbox, self.defer, self.server, **settings)
        self.registration.forget_user()
        self.registration.install_shortcut()
        self.sandbox.pack(self.registration.script())
        self.user = User(self.sandbox, self.registration.title)
        return self.user

    def expect(self, details, **what):
        expected = {"path": "/cgi-bin/register", "user_agent": USER_AGENT,
                    "fields": self.registration.expected_fields(details, **what)}
        self.server.expect(expected)

    def run_program(self, *arguments):
        result = self.user.run(*arguments)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def boxes(self, result):
        """The texts of the message boxes the user met, in order."""
        if self.sandbox.native:
            shown = message_boxes(result.stdout)
            for caption, _ in shown:
                self.assertEqual(caption, self.registration.title)
            return [text for _, text in shown]
        return self.user.box_texts

    def log(self):
        return self.sandbox.log() + self.sandbox.copy_log()

    def assert_registered(self, requests=1):
        self.assertEqual(self.server.requests(), requests)
        self.assertEqual(self.server.verdict(requests), "ok")
        self.assertFalse(os.path.exists(self.registration.shortcut()),
                         "DONE deletes the registration shortcut")

    def assert_not_registered(self):
        self.assertTrue(os.path.exists(self.registration.shortcut()),
                        "the registration shortcut stays")


class MainScenario(RegistrationTest):

    def test_a_new_user_registers_and_the_server_verifies_it(self):
        self.needs_native_boxes()
        user = self.product()
        self.expect(ANN)
        user.answer(QUESTION, "Yes")
        user.press(REGISTER)
        user.answer(CHOOSE)
        user.fill(ANN)
        user.tick(YES)
        user.press(REGISTER)
        user.verify("ann.smith@EXAMPLE.com")
        user.answer(THANKS)
        result = self.run_program("-Register", "-debug")

        self.assertEqual(self.boxes(result), [QUESTION, CHOOSE, THANKS])
        self.assert_registered()
        log = self.log()
        self.assertIn("Send registration to '%s' (" % self.server.url(), log)
        self.assertIn("Submission on phase 0\n", log)
        self.assertNotIn("Submission on phase 1\n", log)

        # The details are kept for the next registration; a "Yes" with a
        # mailing list becomes "already subscribed".
        self.assertEqual(self.registration.stored("Last Name"), "Smith  ")
        self.assertEqual(self.registration.stored_answer(), 2)

        # The vendors' decoder reads the same registration as the server.
        decoded = self.decode(self.server.path("request-1"))
        self.assertEqual(decoded.returncode, 0, decoded.stderr)
        lines = decoded.stdout.replace("\r\n", "\n").splitlines()
        self.assertEqual(lines[1], "program version " + harness.program_version())
        self.assertEqual(lines[5:], ["%s %s" % (n, v.replace("\\", "\\\\"))
                                     for n, v in self.server.fields()])

    def decode(self, path):
        command = [self.sandbox.args.ffspack, "decode-registration", path]
        if not self.sandbox.native:
            command.insert(0, "wine")
        return subprocess.run(command, capture_output=True, text=True, timeout=120)


class FormMessages(RegistrationTest):
    """Every message of the form and of the e-mail check, where it belongs."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_messages_in_order_and_a_cancelled_check_returns_to_the_form(self):
        user = self.product()
        self.expect(ANN)
        user.answer(QUESTION, "Yes")
        user.fill(dict(ANN, age="----", email="ann@example"))
        user.press(REGISTER)
        user.answer(CHOOSE)
        user.tick(YES)
        user.press(REGISTER)
        user.answer(INCOMPLETE)
        user.choose_age(ANN["age"])
        user.press(REGISTER)
        user.answer(BAD_EMAIL)
        user.type(1015, ANN["email"])
        user.press(REGISTER)
        user.verify("ann@example.com")
        user.answer(MISMATCH)
        user.press(DECLINE)                  # cancels the check: the form again
        user.press(REGISTER)
        user.verify(ANN["email"])
        result = self.run_program("-Register", "-debug")

        self.assertEqual(self.boxes(result),
                         [QUESTION, CHOOSE, INCOMPLETE, BAD_EMAIL, MISMATCH, THANKS])
        # The form shown again holds what the user typed, how found and the
        # answer included; "already subscribed" is offered now.
        self.assertEqual(result.stdout.count('  [1021] edit: "A friend told me"\n'), 1)
        self.assertEqual(result.stdout.count("  [1027] [x] Yes!"), 1)
        self.assertEqual(result.stdout.count(" thanks for asking. (disabled)\n"), 1)
        self.assert_registered()

    def test_a_returning_user_finds_the_form_filled_and_needs_no_check(self):
        self.product()
        self.sandbox.regtool("set-string", "1", "Software\\Tolvane\\Installer", "First Name",
                             "Ann")
        for name, value in (("Last Name", "Smith"), ("Age", "30 to 34"),
                            ("Address", "1 Main Street"), ("City", "Springfield"),
                            ("State", "IL"), ("Country", "USA"), ("Zip", "62701"),
                            ("Email", "ann@example.com"), ("Phone", "555-123-4567")):
            self.sandbox.regtool("set-string", "1", "Software\\Tolvane\\Installer", name, value)
        self.sandbox.regtool("set-dword", "1", "Software\\Tolvane\\Installer", "ListServer", "2")
        stored = dict(ANN, last="Smith", email="ann@example.com", found="Search engine")
        self.expect(stored, answer="Already")
        self.user.answer(QUESTION, "Yes")
        self.user.type(1021, "Search engine")     # never stored, so asked again
        self.user.press(REGISTER)
        result = self.run_program("-Register")

        self.assertIn('  [1014] edit: "Ann"\n', result.stdout)
        self.assertIn('  [1029] list: "30 to 34"\n', result.stdout)
        self.assertIn("  [1028] [x] Hey!  I'm already subscribed, but thanks for asking.\n",
                      result.stdout)
        self.assertNotIn("Email Verification", result.stdout)
        self.assertEqual(self.boxes(result), [QUESTION, THANKS])
        self.assert_registered()
        self.assertEqual(self.registration.stored_answer(), 2)


class Declining(RegistrationTest):
    """A user who does not register: nothing is sent, the shortcut stays."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def test_no_to_the_question_shows_no_form(self):
        user = self.product()
        user.answer(QUESTION, "No")
        result = self.run_program("-Register", "-debug")
        self.assertEqual(self.boxes(result), [QUESTION])
        self.assertNotIn("Registration Information", result.stdout)
        self.assertEqual(self.server.requests(), 0)
        self.assert_not_registered()
        self.assertIsNone(self.registration.stored("First Name"), "no details are loaded")

    def test_dont_register_asks_and_no_returns_to_the_form(self):
        user = self.product()
        user.answer(QUESTION, "Yes")
        user.fill(ANN)
        user.press(DECLINE)
        user.answer(SURE, "No")
        user.press(DECLINE)
        user.answer(SURE, "Yes")
        result = self.run_program("-Register")
        self.assertEqual(self.boxes(result), [QUESTION, SURE, SURE])
        self.assertEqual(self.server.requests(), 0)
        self.assert_not_registered()
        self.assertEqual(self.registration.stored("First Name"), "", "nothing typed is kept")

    def test_end_of_input_closes_the_form_without_asking(self):
        user = self.product()
        user.answer(QUESTION, "Yes")
        user.fill(ANN)
        result = self.run_program("-Register")
        self.assertEqual(self.boxes(result), [QUESTION])
        self.assertIn("(end of input)", result.stdout)
        self.assert_not_registered()


class Submission(RegistrationTest):
    """How the server's answers and silences are met."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def register(self, *retries, details=ANN, answer=NO, label="No"):
        """Fills the form completely; answers the retry questions."""
        self.expect(details, answer=label)
        self.user.answer(QUESTION, "Yes")
        self.user.fill(details)
        self.user.tick(answer)
        self.user.press(REGISTER)
        if answer == YES:
            self.user.verify(details["email"])
        for retry in retries:
            self.user.answer(RETRY, retry)
        return self.run_program("-Register", "-debug")

    def phases(self):
        return [line for line in self.log().splitlines() if line.startswith("Submission on")]

    def test_an_error_page_is_a_failure_and_the_user_may_retry_directly(self):
        self.product(mode="refuse")
        result = self.register("Yes", "No", answer=YES, label="Yes")
        self.assertEqual(self.boxes(result), [QUESTION, RETRY, RETRY])
        self.assertEqual(self.phases(), ["Submission on phase %d" % p for p in (0, 1, 2, 1, 2)])
        self.assertEqual(self.server.requests(), 3)
        self.assertEqual(self.server.verdict(3), "ok", "what came was right")
        self.assert_not_registered()
        self.assertEqual(self.registration.stored("First Name"), "Ann", "saved before sending")
        self.assertEqual(self.registration.stored_answer(), 1, "not subscribed yet")

    def test_a_retry_that_gets_through_counts(self):
        self.product(mode="refuse,refuse,accept")
        result = self.register("Yes")
        self.assertEqual(self.boxes(result), [QUESTION, RETRY, THANKS])
        self.assert_registered(requests=3)
        self.assertEqual(self.registration.stored_answer(), 3)

    def test_the_word_split_over_two_pieces_is_found(self):
        self.product(mode="split")
        result = self.register()
        self.assertEqual(self.boxes(result), [QUESTION, THANKS])
        self.assert_registered()

    def test_a_server_that_never_answers_leads_to_the_question(self):
        self.product(mode="silent", silent_seconds=1)
        result = self.register("No")
        self.assertEqual(self.boxes(result), [QUESTION, RETRY])
        self.assertEqual(self.server.requests(), 2)
        self.assert_not_registered()

    def test_without_a_mailing_list_a_yes_stays_a_yes(self):
        self.product(list_server=None)
        self.register(answer=YES, label="Yes")
        self.assert_registered()
        self.assertEqual(self.registration.stored_answer(), 1)

    def test_the_installer_kind_and_the_text_setting_are_sent(self):
        self.product(text="Setup 2.0", version="")
        self.expect(ANN, kind="Installer", answer="No")
        self.user.answer(QUESTION, "Yes")
        self.user.fill(ANN)
        self.user.tick(NO)
        self.user.press(REGISTER)
        self.run_program("-InstReg", "-debug")
        self.assert_registered()
        self.assertIn(["100", "Setup 2.0"], self.server.fields())
        self.assertNotIn("103", [number for number, _ in self.server.fields()])


class ThroughTheProxy(RegistrationTest):
    """Phase 0 goes through the user's proxy, phase 1 directly."""

    def setUp(self):
        super().setUp()
        self.native_only()

    def use_proxy(self, address):
        key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
        self.sandbox.regtool("set-dword", "1", key, "ProxyEnable", "1")
        self.sandbox.regtool("set-string", "1", key, "ProxyServer", address)

    def register(self):
        self.expect(ANN, answer="No")
        self.user.answer(QUESTION, "Yes")
        self.user.fill(ANN)
        self.user.tick(NO)
        self.user.press(REGISTER)
        return self.run_program("-Register", "-debug")

    def test_the_registration_reaches_the_server_through_tinyproxy(self):
        self.product()
        proxy = Proxy(self.sandbox, self.defer)
        self.use_proxy("http=127.0.0.1:%d" % proxy.port)
        self.register()
        self.assert_registered()
        self.assertIn("Proxy Enabled (0x00000001) : 127.0.0.1:%d\n" % proxy.port, self.log())
        self.assertIn(b"\r\nVia: ", self.server.request(), "it came through the proxy")

    def test_a_dead_proxy_leaves_the_direct_attempt(self):
        self.product()
        closed = RegServer(self.sandbox, self.defer)
        port = closed.port
        closed.close()
        self.use_proxy("127.0.0.1:%d" % port)
        self.register()
        self.assert_registered()
        self.assertIn("Submission on phase 1\n", self.log())


class Decoder(RegistrationTest):
    """ffspack decode-registration on what is not a good registration."""

    def setUp(self):
        super().setUp()
        self.native_only()
        self.user = self.product()
        self.expect(ANN, answer="No")
        self.user.answer(QUESTION, "Yes")
        self.user.fill(ANN)
        self.user.tick(NO)
        self.user.press(REGISTER)
        self.run_program("-Register")
        request = self.server.request()
        self.body = request.split(b"\r\n\r\n", 1)[1]

    def decode(self, data):
        path = os.path.join(self.sandbox.folder, "body")
        with open(path, "wb") as f:
            f.write(data)
        return subprocess.run([self.sandbox.args.ffspack, "decode-registration", path],
                              capture_output=True, timeout=60)

    def assert_refused(self, data, reason):
        result = self.decode(data)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertEqual(result.stdout, b"")
        self.assertIn(b"is no registration: " + reason.encode(), result.stderr)

    def test_the_body_alone_decodes_like_the_request(self):
        whole = self.decode(self.server.request())
        alone = self.decode(self.body)
        self.assertEqual(alone.returncode, 0, alone.stderr)
        self.assertEqual(alone.stdout, whole.stdout)
        self.assertIn(b"\n201 Smith\n", alone.stdout)

    def test_damaged_bodies_are_refused_with_a_reason(self):
        body = self.body
        self.assert_refused(b"", "cut short")
        self.assert_refused(body[:-1], "the header gives a body of")
        self.assert_refused(body[:30] + b"g" + body[31:], "the CRC-32 is not upper-case")
        flipped = body[:50] + bytes([body[50] ^ 1]) + body[51:]
        self.assert_refused(flipped, "CRC-32 ")
        # Damage behind a header that was made to fit it.
        self.assert_refused(self.with_crc(body[:60] + b"~" + body[61:]),
                            "byte 60 is not part of the encoding")
        self.assert_refused(body[:14] + b"%.8X" % (int(body[14:22], 16) + 1) + body[22:],
                            "the encoded text holds")

    def with_crc(self, body):
        return body[:30] + b"%.8X" % zlib.crc32(body[38:]) + body[38:]

    def test_garbage_never_crashes_it(self):
        rng = random.Random(6)
        samples = [bytes(rng.randrange(256) for _ in range(rng.randrange(1, 400)))
                   for _ in range(20)]
        samples += [self.body[:n] for n in (10, 37, 38, 46, 100)]
        samples.append(b"POST / HTTP/1.0\r\nno end")
        for sample in samples:
            result = self.decode(sample)
            self.assertEqual(result.returncode, 1, sample)
            self.assertIn(b"is no registration: ", result.stderr)


if __name__ == "__main__":
    harness.main()
