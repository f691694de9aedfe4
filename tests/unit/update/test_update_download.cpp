// Fetching the version information and downloading a release from the
// loopback server: what is requested, what is kept, and that a failed or
// refused download never touches the file that was there.
#include "log-capture.h"
#include "net/http-exchange.h"
#include "net/socket.h"
#include "scratch-folder.h"
#include "test_socket_servers.h"
#include "system/registry.h"
#include "update/release-signature.h"
#include "update/update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using net_test::HttpServer;

// A key pair of the test's own, and signatures of what the server sends.
struct Signer {
    uint8_t secret[PLAT_P256_SECRET_SIZE];
    uint8_t publicKey[PLAT_P256_PUBLIC_SIZE];
    Signer() { EXPECT_EQ(PlatP256Generate(secret, publicKey), 1); }
    std::string Key() const {
        char hex[RELEASE_KEY_HEX_LENGTH + 1];
        HexEncode(publicKey, PLAT_P256_PUBLIC_SIZE, hex);
        return hex;
    }
    std::string Sign(const std::string& identity, const std::string& version,
                     const std::string& name, const std::string& content) const {
        uint8_t fileDigest[PLAT_SHA256_SIZE], digest[PLAT_SHA256_SIZE];
        uint8_t signature[PLAT_P256_SIGNATURE_SIZE];
        PlatHash hash = PlatSha256Begin();
        PlatHashAdd(hash, content.data(), content.size());
        PlatHashFinish(hash, fileDigest);
        ReleaseMessageDigest(identity.c_str(), version.c_str(), name.c_str(), fileDigest, digest);
        EXPECT_EQ(PlatP256Sign(secret, publicKey, digest, signature), 1);
        char hex[RELEASE_SIGNATURE_HEX_LENGTH + 1];
        HexEncode(signature, PLAT_P256_SIGNATURE_SIZE, hex);
        return hex;
    }
};

const char* const kAgentLine =
    "User-Agent: Tolvane Update Download Uninstall (www.tolvane.example)\r\n";

class UpdateNetwork : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SocketStartup(), 1);
        std::memset(&settings_, 0, sizeof settings_);
        folder_ = scratch_.Path("");
        folder_.pop_back(); // the folder itself, without the separator
        std::snprintf(settings_.installPath, sizeof settings_.installPath, "%s\\", folder_.c_str());
        reply_.assign(UPDATE_REPLY_SIZE, '\0');
    }
    void TearDown() override {
        for (const std::string& name : Files())
            PlatDeleteFile((folder_ + "\\" + name).c_str());
        SocketCleanup();
    }

    // The names in the product's folder.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        PlatListFolder((folder_ + "\\").c_str(), Collect, &names);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string InFolder(const std::string& name) const { return folder_ + "\\" + name; }

    int Download(const std::string& url) {
        return DownloadUpdate(&settings_, &session_, url.c_str(), 0, reply_.data(),
                              UPDATE_REPLY_SIZE);
    }

    InstallScript settings_;
    UpdateSession session_ = {};
    ScratchFolder scratch_;
    std::string folder_;
    std::string reply_;

  private:
    static int Collect(const char* name, void* context) {
        std::string entry = name;
        if (entry != "." && entry != "..")
            static_cast<std::vector<std::string>*>(context)->push_back(entry);
        return 1;
    }
};

TEST_F(UpdateNetwork, VersionInformationIsReadWholeAcrossPieces) {
    HttpServer server("split");
    ASSERT_GT(server.Port(), 0);
    LogCapture log;
    EXPECT_EQ(FetchVersionInfo(&settings_, server.Url("/info/versions.txt").c_str(), 0,
                               reply_.data(), UPDATE_REPLY_SIZE),
              1);
    EXPECT_STREQ(reply_.c_str(),
                 "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nRegSuccess\r\n");
    EXPECT_EQ(server.Request(),
              "GET /info/versions.txt HTTP/1.0\r\n"
              "User-Agent: Tolvane Update Check Uninstall (www.tolvane.example)\r\n"
              "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"
              "Connection: closed\r\n\r\n");
    EXPECT_TRUE(log.Has("Recieved -> 0 ["));
}

TEST_F(UpdateNetwork, VersionInformationNeverRunsPastTheBuffer) {
    HttpServer server("big");
    ASSERT_GT(server.Port(), 0);
    // The buffer holds the request header first, then the reply.
    std::memset(reply_.data(), 0x5A, 256);
    EXPECT_EQ(FetchVersionInfo(&settings_, server.Url("/v").c_str(), 0, reply_.data(), 200), 1);
    EXPECT_EQ(std::strlen(reply_.c_str()), 199u);
    for (int i = 200; i < 256; ++i)
        ASSERT_EQ(reply_[i], 0x5A) << "byte " << i;

    EXPECT_EQ(
        FetchVersionInfo(&settings_, "http://127.0.0.1:1/v", 0, reply_.data(), UPDATE_REPLY_SIZE),
        0);
}

TEST_F(UpdateNetwork, CompleteDownloadReplacesTheOldFile) {
    HttpServer server("release");
    ASSERT_GT(server.Port(), 0);
    ScratchFolder::Write(InFolder("demo.exe"), "old release, a little longer");
    LogCapture log;
    EXPECT_EQ(Download(server.Url("/files/demo.exe")), 1);
    EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), "new release");
    EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"}) << "no temporary file is left";
    EXPECT_STREQ(session_.savePath, InFolder("demo.exe").c_str());
    EXPECT_NE(server.Request().find(kAgentLine), std::string::npos);
    EXPECT_TRUE(log.Has("Save to -> [" + InFolder("demo.exe") + "]\n"));
    EXPECT_TRUE(log.Has("Filesize = 11 (0k)\n"));
    EXPECT_TRUE(log.Has("Recieved -> [11 / 11]\n"));
}

// Without a length or a chunked end nothing proves a file complete: only
// the vendor's signature lets it in. A chunked body that broke off is known
// to be incomplete, signed or not.
TEST_F(UpdateNetwork, UnprovenReleaseNeedsItsSignature) {
    Signer vendor;
    struct Case {
        const char* caseName;
        const char* content;
        bool keyed;
        int result;
        const char* logLine;
    } cases[] = {
        {"release-no-length", "new release", false, 0,
         "Refusing 'demo.exe': nothing proves it complete (no length, no chunked end) and it "
         "is not signed\n"},
        {"release-no-length", "new release", true, 1, "Signature of 'demo.exe' verified\n"},
        // The empty line's CR LF opens the second piece: the header is whole.
        {"release-split-header", "new release 123", true, 1, "Signature of 'demo.exe' verified\n"},
        {"release-chunked", "new release", false, 1, "Recieved -> ["},
        {"release-chunked-cut", "new release", true, 0, "Reply ended within its chunked body\n"},
        {"release-chunked-cut", "new release", false, 0, "Reply ended within its chunked body\n"},
    };
    for (const Case& c : cases) {
        ScratchFolder::Write(InFolder("demo.exe"), "old release");
        std::snprintf(settings_.updateKey, sizeof settings_.updateKey, "%s",
                      c.keyed ? vendor.Key().c_str() : "");
        std::snprintf(session_.offer.identity, sizeof session_.offer.identity, "Tolvane Demo");
        std::snprintf(session_.offer.versionRecord, sizeof session_.offer.versionRecord, "1.60");
        std::snprintf(session_.offer.signature, sizeof session_.offer.signature, "%s",
                      vendor.Sign("Tolvane Demo", "1.60", "demo.exe", c.content).c_str());
        HttpServer server(c.caseName);
        ASSERT_GT(server.Port(), 0);
        LogCapture log;
        EXPECT_EQ(Download(server.Url("/demo.exe")), c.result) << c.caseName << c.keyed;
        EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), c.result ? c.content : "old release")
            << c.caseName;
        EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"}) << c.caseName;
        EXPECT_TRUE(log.Has(c.logLine)) << c.caseName << "\n" << log.Text();
    }
}

// A transfer broken off (closed early, or silent) asks for the rest with
// Range and If-Range into the same file; a server that sends the whole
// file instead starts it over. Only the resumed request carries the fields.
TEST_F(UpdateNetwork, BrokenDownloadResumes) {
    HttpTimeLimits saved = HttpLimits;
    HttpLimits.stallMs = 500;
    struct Case {
        const char* caseName;
        const char* fields;      // of the second request
        const char* logLine;
    } cases[] = {
        {"release-resume", "Range: bytes=4-\r\nIf-Range: \"v1\"\r\nConnection",
         "Resuming at 4 bytes\n"},
        {"release-stall", "Range: bytes=4-\r\nIf-Range: \"v1\"\r\nConnection",
         "Socket Read timeout (500)\n"},
        {"release-restart",
         "Range: bytes=4-\r\nIf-Range: Tue, 01 Dec 2026 10:00:00 GMT\r\nConnection",
         "The server sent the whole file again (HTTP/1.0 200 OK)\n"},
    };
    for (const Case& c : cases) {
        ScratchFolder::Write(InFolder("demo.exe"), "old release");
        HttpServer server(c.caseName);
        ASSERT_GT(server.Port(), 0);
        LogCapture log;
        EXPECT_EQ(Download(server.Url("/files/demo.exe")), 1) << c.caseName << log.Text();
        EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), "new release") << c.caseName;
        EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"}) << c.caseName;
        EXPECT_EQ(server.Request(1).find("Range"), std::string::npos) << c.caseName;
        EXPECT_NE(server.Request(2).find(c.fields), std::string::npos)
            << c.caseName << "\n" << server.Request(2);
        EXPECT_TRUE(log.Has(c.logLine)) << c.caseName << "\n" << log.Text();
    }
    HttpLimits = saved;
}

// A run killed half-way left its temporary file: the next check removes
// it, and only a file of our naming in the product's folder.
TEST_F(UpdateNetwork, LeftoverOfAKilledRunIsRemoved) {
    std::snprintf(settings_.registryPath, sizeof settings_.registryPath,
                  "Software\\UninstallTests\\Leftover");
    HKEY product = nullptr;
    ASSERT_EQ(RegistryCreateKey(&product, REGISTRY_CURRENT_USER, settings_.registryPath), 1);
    RegistryCloseKey(&product);
    struct Case {
        std::string recorded;
        bool removed;
    } cases[] = {
        {InFolder("Upd1A2F.TMP"), true},
        {InFolder("UPD7.tmp"), true},
        {InFolder("demo.exe"), false},
        {InFolder("Upd12345.TMP"), false},
        {InFolder("sub\\Upd1.TMP"), false},
        {folder_ + "-other\\Upd1.TMP", false},
    };
    for (const Case& c : cases) {
        ScratchFolder::Write(InFolder("Upd1A2F.TMP"), "part");
        ScratchFolder::Write(InFolder("UPD7.tmp"), "part");
        ScratchFolder::Write(InFolder("demo.exe"), "release");
        ScratchFolder::Write(InFolder("Upd12345.TMP"), "part");
        RememberPartialDownload(&settings_, c.recorded.c_str());
        RemoveLeftoverDownload(&settings_);
        EXPECT_EQ(Files().size(), c.removed ? 3u : 4u) << c.recorded;
        if (c.removed) {
            EXPECT_EQ(PlatFileExists(c.recorded.c_str()), 0) << c.recorded;
        }
    }
    // A download records its file while it runs, and no longer afterwards.
    HttpServer server("release");
    ASSERT_EQ(Download(server.Url("/demo.exe")), 1);
    ScratchFolder::Write(InFolder("Upd1.TMP"), "not ours now");
    RemoveLeftoverDownload(&settings_);
    EXPECT_EQ(PlatFileExists(InFolder("Upd1.TMP").c_str()), 1);
    RegistryDeleteKey(REGISTRY_CURRENT_USER, "Software\\UninstallTests\\Leftover");
}

TEST_F(UpdateNetwork, RedirectsAreFollowedWithinTheAttempt) {
    HttpServer server("redirect", {{"/files/demo.exe", "release"}});
    ASSERT_GT(server.Port(), 0);
    for (const char* caseName : {"redirect", "redirect-relative"}) {
        HttpServer moved(caseName, {{"/files/demo.exe", "release"}});
        ASSERT_GT(moved.Port(), 0);
        LogCapture log;
        EXPECT_EQ(Download(moved.Url("/old/demo.exe")), 1) << caseName;
        EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), "new release");
        EXPECT_EQ(moved.Request(2).substr(0, 30), "GET /files/demo.exe HTTP/1.0\r\n");
        EXPECT_TRUE(log.Has(") to '" + moved.Url("/files/demo.exe") + "'\n")) << log.Text();
    }

    // The version information follows them too.
    EXPECT_EQ(FetchVersionInfo(&settings_, server.Url("/old/versions.txt").c_str(), 0,
                               reply_.data(), UPDATE_REPLY_SIZE),
              1);
    EXPECT_NE(std::string(reply_.c_str()).find("\r\n\r\nnew release"), std::string::npos);
}

// An address written as [::1] reaches a server listening on IPv6 alone,
// and the request names it so.
TEST_F(UpdateNetwork, Ipv6LiteralAddressesWork) {
    HttpServer server("release", {}, true);
    ASSERT_GT(server.Port(), 0);
    EXPECT_EQ(Download(server.Url("/files/demo.exe")), 1);
    EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), "new release");
    EXPECT_NE(server.Request().find("\r\nHost: [::1]:" + std::to_string(server.Port()) + "\r\n"),
              std::string::npos)
        << server.Request();
}

// Every way an attempt can fail leaves the old file as it was and no
// partly written file beside it.
TEST_F(UpdateNetwork, FailedDownloadsKeepTheOldFile) {
    const std::string old = "old release";
    struct Failure {
        const char* caseName;
        const char* logLine; // with %url% for the server's address
    } failures[] = {
        {"cut", "Sizes to not match (1000 != 7)\n"},
        {"release-length-split", "Sizes to not match (100 != 3)\n"},
        {"not-found", "Server replied 'HTTP/1.0 404 Not Found'\n"},
        {"close-at-once", "Reply ended within its header (0 bytes)\n"},
        {"redirect-loop", "Too many redirects (more than 5)\n"},
        {"redirect-ftp", "Refusing to follow the redirect to 'ftp://127.0.0.1/files/demo.exe'\n"},
        {"bad-length", "Malformed reply header\n"},
    };
    for (const Failure& failure : failures) {
        ScratchFolder::Write(InFolder("demo.exe"), old);
        HttpServer server(failure.caseName);
        ASSERT_GT(server.Port(), 0);
        LogCapture log;
        EXPECT_EQ(Download(server.Url("/demo.exe")), 0) << failure.caseName;
        EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), old) << failure.caseName;
        EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"}) << failure.caseName;
        EXPECT_TRUE(log.Has(failure.logLine)) << failure.caseName << "\n" << log.Text();
    }

    LogCapture log;
    EXPECT_EQ(Download("http://127.0.0.1:1/demo.exe"), 0);
    EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), old);
    EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"});
}

// An https:// address whose server speaks no TLS: the handshake fails and
// the attempt with it, with the step named.
TEST_F(UpdateNetwork, FailedHandshakeFailsTheAttempt) {
    const std::string old = "old release";
    ScratchFolder::Write(InFolder("demo.exe"), old);
    HttpServer server("close-at-once");
    ASSERT_GT(server.Port(), 0);
    LogCapture log;
    EXPECT_EQ(Download("https://localhost:" + std::to_string(server.Port()) + "/demo.exe"), 0);
    EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), old);
    EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"});
    EXPECT_TRUE(log.Has("TLS handshake with 'localhost' failed (")) << log.Text();
}

TEST_F(UpdateNetwork, VersionInformationCountsOnlyWhenComplete) {
    for (const char* caseName : {"not-found", "cut", "redirect-ftp", "close-at-once"}) {
        HttpServer server(caseName);
        ASSERT_GT(server.Port(), 0);
        EXPECT_EQ(FetchVersionInfo(&settings_, server.Url("/v").c_str(), 0, reply_.data(),
                                   UPDATE_REPLY_SIZE),
                  0)
            << caseName;
        EXPECT_STREQ(reply_.c_str(), "") << caseName;
    }
}

// With a key, only the release the vendor signed for this block is put in
// place: not another file, not an older release offered as newer, not one
// without a signature.
TEST_F(UpdateNetwork, WithAKeyOnlyTheSignedReleaseIsPutInPlace) {
    Signer vendor, stranger;
    std::snprintf(settings_.updateKey, sizeof settings_.updateKey, "%s", vendor.Key().c_str());
    const std::string old = "old release";
    struct Case {
        std::string signature;
        std::string version;    // the block's "2" value as received
        int result;
        const char* logLine;
    } cases[] = {
        {vendor.Sign("Tolvane Demo", "1.60", "demo.exe", "new release"), "1.60", 1,
         "Signature of 'demo.exe' verified\n"},
        {vendor.Sign("Tolvane Demo", "1.55", "demo.exe", "new release"), "1.60", 0,
         "Bad signature for 'demo.exe' 1.60 (Tolvane Demo)\n"},
        {vendor.Sign("Tolvane Demo", "1.60", "other.exe", "new release"), "1.60", 0,
         "Bad signature"},
        {vendor.Sign("Tolvane Demo", "1.60", "demo.exe", "new releasf"), "1.60", 0,
         "Bad signature"},
        {vendor.Sign("Tolvane Other", "1.60", "demo.exe", "new release"), "1.60", 0,
         "Bad signature"},
        {stranger.Sign("Tolvane Demo", "1.60", "demo.exe", "new release"), "1.60", 0,
         "Bad signature"},
        {"", "1.60", 0, "No signature for 'demo.exe' in the version information\n"},
    };
    for (const Case& c : cases) {
        ScratchFolder::Write(InFolder("demo.exe"), old);
        std::snprintf(session_.offer.identity, sizeof session_.offer.identity, "Tolvane Demo");
        std::snprintf(session_.offer.versionRecord, sizeof session_.offer.versionRecord, "%s",
                      c.version.c_str());
        std::snprintf(session_.offer.signature, sizeof session_.offer.signature, "%s",
                      c.signature.c_str());
        HttpServer server("release");
        ASSERT_GT(server.Port(), 0);
        LogCapture log;
        EXPECT_EQ(Download(server.Url("/files/demo.exe")), c.result) << c.logLine;
        EXPECT_TRUE(log.Has(c.logLine)) << log.Text();
        EXPECT_EQ(ScratchFolder::Read(InFolder("demo.exe")), c.result ? "new release" : old);
        EXPECT_EQ(Files(), std::vector<std::string>{"demo.exe"}) << c.logLine;
    }

    settings_.updateKey[0] = '\0';
    HttpServer server("release");
    LogCapture log;
    EXPECT_EQ(Download(server.Url("/files/demo.exe")), 1);
    EXPECT_TRUE(log.Has("The update 'demo.exe' is not signed: no key to check it with\n"));
}

TEST(UpdateFileName, OnlyAPlainNameAfterTheLastSlash) {
    struct Case {
        const char* url;
        const char* name; // nullptr: refused
    } cases[] = {
        {"http://host/dir/new.exe", "new.exe"},
        {"new.exe", "new.exe"},
        {"http://host/new..exe", "new..exe"},
        {"http://host/dir/..\\..\\x.exe", nullptr},
        {"http://host/a\\b.exe", nullptr},
        {"http://host/$1evil.exe", nullptr},
        {"http://host/c:evil.exe", nullptr},
        {"http://host/ev?l.exe", nullptr},
        {"http://host/..", nullptr},
        {"http://host/.", nullptr},
        {"http://host/", nullptr},
        {"/new.exe", nullptr}, // no "/" after the first character: the whole text
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char name[UPDATE_TEXT_SIZE];
        int result = DownloadFileName(c.url, name);
        EXPECT_EQ(result, c.name ? 1 : 0) << c.url;
        if (c.name) {
            EXPECT_STREQ(name, c.name) << c.url;
        }
    }
    char name[UPDATE_TEXT_SIZE];
    EXPECT_EQ(DownloadFileName(("http://host/" + std::string(UPDATE_TEXT_SIZE, 'n')).c_str(), name),
              0);
}

TEST_F(UpdateNetwork, RefusedNamesAreNeverRequestedNorWritten) {
    HttpServer server("release");
    ASSERT_GT(server.Port(), 0);
    for (const char* hostile : {"..\\escaped.exe", "$3escaped.exe", "..", "Z:escaped.exe"}) {
        LogCapture log;
        EXPECT_EQ(Download(server.Url("/files/") + hostile), 0) << hostile;
        EXPECT_TRUE(log.Has(std::string("Refusing to save the download under the name '") +
                            hostile + "'\n"))
            << log.Text();
        EXPECT_FALSE(log.Has("Contacting"));
        EXPECT_STREQ(session_.savePath, "");
    }
    EXPECT_TRUE(Files().empty());
}

} // namespace
