#include "exporter/TlsSession.h"
#include "exporter/WebSettings.h"

#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// A CA, a server and a client certificate it signed, and a stranger's self-signed one, made with the
// openssl command once for the suite (P-256 keys, made in milliseconds).
class TlsSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = testing::TempDir() + "vantrex-tls-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        s_folder = pattern;
        const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2";
        Run("req -x509" + key + " -keyout ca.key -out ca.pem -subj /CN=test-ca");
        Run("req -x509" + key + " -keyout stranger.key -out stranger.pem -subj /CN=stranger");
        for (const char* name : {"server", "client"}) {
            Run("req" + key + " -keyout " + name + ".key -out " + name + ".csr -subj /CN=" + name);
            Run(std::string("x509 -req -days 2 -in ") + name +
                ".csr -CA ca.pem -CAkey ca.key -CAcreateserial -out " + name + ".pem");
        }
    }
    static void TearDownTestSuite() { fs::remove_all(s_folder); }

    static void Run(const std::string& arguments) {
        const std::string command =
            "cd '" + s_folder.string() + "' && openssl " + arguments + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static std::string File(const char* name) { return (s_folder / name).string(); }

    // A client context trusting the test CA, showing certificate (a file stem; none when empty).
    static SSL_CTX* ClientContext(const std::string& certificate, int maxVersion = TLS1_3_VERSION) {
        SSL_CTX* context = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_max_proto_version(context, maxVersion);
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
        EXPECT_EQ(SSL_CTX_load_verify_locations(context, File("ca.pem").c_str(), nullptr), 1);
        if (!certificate.empty()) {
            EXPECT_EQ(SSL_CTX_use_certificate_file(context, File((certificate + ".pem").c_str()).c_str(),
                                                   SSL_FILETYPE_PEM),
                      1);
            EXPECT_EQ(SSL_CTX_use_PrivateKey_file(context, File((certificate + ".key").c_str()).c_str(),
                                                  SSL_FILETYPE_PEM),
                      1);
        }
        return context;
    }

    static std::shared_ptr<const CTlsServerContext> ServerContext(ClientAuth auth,
                                                                  TlsVersion least = TlsVersion::Tls12) {
        TlsServerConfig config;
        config.certFile = File("server.pem");
        config.keyFile = File("server.key");
        config.clientAuth = auth;
        config.minVersion = least;
        if (auth == ClientAuth::VerifyIfGiven || auth == ClientAuth::RequireAndVerify) {
            config.clientCaFile = File("ca.pem");
        }
        std::string error;
        auto context = CTlsServerContext::Load(config, error);
        EXPECT_TRUE(context) << error;
        return context;
    }

    // Carries each side's ciphertext to the other until neither has more.
    static void Exchange(CTlsSession& client, CTlsSession& server) {
        for (int round = 0; round < 10; ++round) {
            const std::string toServer = client.TakeCiphertext();
            const std::string toClient = server.TakeCiphertext();
            if (toServer.empty() && toClient.empty()) {
                return;
            }
            server.Received(toServer);
            client.Received(toClient);
        }
        FAIL() << "the sessions never went quiet";
    }

    static fs::path s_folder;
};

fs::path TlsSessionTest::s_folder;

TEST_F(TlsSessionTest, CarriesARequestAndItsAnswerAndEndsCleanly) {
    std::ofstream(File("web.yml")) << "tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n";
    std::string error;
    const auto settings = CWebSettings::Load(File("web.yml"), error);
    ASSERT_TRUE(settings && settings->Tls()) << error;
    SSL_CTX* clientContext = ClientContext("");
    CTlsSession client(clientContext, false);
    SSL_CTX_free(clientContext); // the session keeps its context
    CTlsSession server(settings->Tls()->Native(), true);
    EXPECT_FALSE(server.Send("early"));
    Exchange(client, server);
    ASSERT_EQ(server.State(), TlsState::Open);
    ASSERT_EQ(client.State(), TlsState::Open);

    const std::string request = "GET /metrics HTTP/1.1\r\n\r\n";
    ASSERT_TRUE(client.Send(request));
    Exchange(client, server);
    std::string received;
    EXPECT_EQ(server.TakePlain(received, 4), 4u);
    EXPECT_EQ(server.TakePlain(received, 1000), request.size() - 4);
    EXPECT_EQ(received, request);
    const std::string answer(100000, 'x'); // more than one TLS record
    ASSERT_TRUE(server.Send(answer));
    Exchange(client, server);
    std::string answered;
    client.TakePlain(answered, answer.size() + 1);
    EXPECT_EQ(answered, answer);

    client.Close();
    Exchange(client, server);
    EXPECT_EQ(server.State(), TlsState::Closed);
}

// Each client certificate policy and version floor against clients that meet it or not: the server's
// session fails with a reason that names the client.
TEST_F(TlsSessionTest, HoldsTheClientToThePolicy) {
    const struct {
        ClientAuth auth;
        TlsVersion least;
        const char* certificate; // the client's; "" for none
        int clientMaxVersion;
        const char* failure; // nullptr: the session opens
    } cases[] = {
        {ClientAuth::None, TlsVersion::Tls12, "", TLS1_2_VERSION, nullptr},
        {ClientAuth::None, TlsVersion::Tls13, "", TLS1_2_VERSION, "unsupported protocol"},
        {ClientAuth::Request, TlsVersion::Tls12, "", TLS1_3_VERSION, nullptr},
        {ClientAuth::RequireAny, TlsVersion::Tls12, "", TLS1_3_VERSION, "did not return a certificate"},
        {ClientAuth::RequireAny, TlsVersion::Tls12, "stranger", TLS1_3_VERSION, nullptr},
        {ClientAuth::VerifyIfGiven, TlsVersion::Tls12, "", TLS1_3_VERSION, nullptr},
        {ClientAuth::VerifyIfGiven, TlsVersion::Tls12, "stranger", TLS1_3_VERSION,
         "certificate verify failed"},
        {ClientAuth::RequireAndVerify, TlsVersion::Tls12, "", TLS1_2_VERSION, "did not return a certificate"},
        {ClientAuth::RequireAndVerify, TlsVersion::Tls12, "stranger", TLS1_2_VERSION,
         "certificate verify failed"},
        {ClientAuth::RequireAndVerify, TlsVersion::Tls12, "client", TLS1_3_VERSION, nullptr},
    };
    for (const auto& [auth, least, certificate, clientMaxVersion, failure] : cases) {
        SCOPED_TRACE(std::string(certificate) + " policy " + std::to_string(static_cast<int>(auth)));
        const auto serverContext = ServerContext(auth, least);
        SSL_CTX* clientContext = ClientContext(certificate, clientMaxVersion);
        CTlsSession client(clientContext, false);
        SSL_CTX_free(clientContext);
        CTlsSession server(serverContext->Native(), true);
        Exchange(client, server);
        if (failure == nullptr) {
            EXPECT_EQ(server.State(), TlsState::Open) << server.Failure();
        } else {
            EXPECT_EQ(server.State(), TlsState::Failed);
            EXPECT_NE(server.Failure().find("client"), std::string::npos) << server.Failure();
            EXPECT_NE(server.Failure().find(failure), std::string::npos) << server.Failure();
        }
    }
}

TEST_F(TlsSessionTest, NamesPlainHttpAndFilesThatWillNotDo) {
    CTlsSession server(ServerContext(ClientAuth::None)->Native(), true);
    server.Received("GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n");
    EXPECT_EQ(server.State(), TlsState::Failed);
    EXPECT_EQ(server.Failure(), "the client spoke plain HTTP to a TLS port");

    const struct {
        const char* cert;
        const char* key;
        const char* error;
    } cases[] = {
        {"missing.pem", "server.key", "cannot use cert_file"},
        {"server.pem", "ca.pem", "cannot use key_file"},
        {"server.pem", "client.key", "key values mismatch"},
    };
    for (const auto& [cert, key, expected] : cases) {
        TlsServerConfig config;
        config.certFile = File(cert);
        config.keyFile = File(key);
        std::string error;
        EXPECT_FALSE(CTlsServerContext::Load(config, error));
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

} // namespace
