#include "exporter/WebConfig.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kHash = "$2y$04$h4GA8jw04u09RW2yfmZHee1LdU1drAY.x93F/8p01TkeKPfczpBgi";

TEST(WebConfig, ReadsTlsAndUsersWithPathsFromTheFilesFolder) {
    const WebConfigRead read = ParseWebConfig(std::string("tls_server_config:\n"
                                                          "  cert_file: server.pem\n"
                                                          "  key_file: /keys/server.key\n"
                                                          "  client_auth_type: RequireAndVerifyClientCert\n"
                                                          "  client_ca_file: ca.pem\n"
                                                          "  min_version: TLS13\n"
                                                          "http_server_config:\n"
                                                          "  http2: false\n"
                                                          "basic_auth_users:\n"
                                                          "  prom: ") +
                                                  kHash + "\n",
                                              "/etc/vantrex");
    ASSERT_TRUE(read.config) << read.error;
    ASSERT_TRUE(read.config->tls);
    EXPECT_EQ(read.config->tls->certFile, "/etc/vantrex/server.pem");
    EXPECT_EQ(read.config->tls->keyFile, "/keys/server.key");
    EXPECT_EQ(read.config->tls->clientCaFile, "/etc/vantrex/ca.pem");
    EXPECT_EQ(read.config->tls->clientAuth, ClientAuth::RequireAndVerify);
    EXPECT_EQ(read.config->tls->minVersion, TlsVersion::Tls13);
    EXPECT_EQ(read.config->users.at("prom"), kHash);
}

TEST(WebConfig, NoTlsAndNoUsersIsPlainHttp) {
    for (const char* text : {"", "tls_server_config:\nbasic_auth_users:\n", "tls_server_config: {}\n"}) {
        const WebConfigRead read = ParseWebConfig(text, "/etc");
        ASSERT_TRUE(read.config) << text << ": " << read.error;
        EXPECT_FALSE(read.config->tls);
        EXPECT_TRUE(read.config->users.empty());
    }
}

// What the exporter cannot honour is refused with a line that names it, never silently dropped.
TEST(WebConfig, RefusesWhatItCannotHonour) {
    const std::string tls = "tls_server_config:\n  cert_file: c.pem\n  key_file: k.pem\n";
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"tls_server_config: [\n", "not YAML"},
        {"- a\n- b\n", "no mapping"},
        {"web_config: 1\n", "'web_config' is not supported"},
        {tls + "  cipher_suites: [TLS_AES_128_GCM_SHA256]\n", "'cipher_suites' is not supported"},
        {tls + "  client_allowed_sans: [a]\n", "'client_allowed_sans' is not supported"},
        {tls + "  min_version: TLS10\n", "retired"},
        {tls + "  min_version: TLS9\n", "takes TLS12 or TLS13"},
        {tls + "  min_version: TLS13\n  max_version: TLS12\n", "above max_version"},
        {tls + "  client_auth_type: Sometimes\n", "client_auth_type takes"},
        {tls + "  client_auth_type: RequireAndVerifyClientCert\n", "needs client_ca_file"},
        {tls + "  client_ca_file: ca.pem\n", "checks no client certificate"},
        {"tls_server_config:\n  cert_file: c.pem\n", "both cert_file and key_file"},
        {"tls_server_config:\n  client_auth_type: RequireAnyClientCert\n", "both cert_file and key_file"},
        {"http_server_config:\n  headers:\n    X: y\n", "'headers' is not supported"},
        {"basic_auth_users:\n  prom: secret\n", "not a bcrypt hash"},
        {"basic_auth_users:\n  prom: $1$abc$defghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefgh\n",
         "not a bcrypt hash"},
        {std::string("basic_auth_users:\n  'a:b': ") + kHash + "\n", "no user name"},
        {"basic_auth_users: [prom]\n", "takes a mapping"},
    };
    for (const auto& [text, reason] : cases) {
        const WebConfigRead read = ParseWebConfig(text, "/etc");
        EXPECT_FALSE(read.config) << text;
        EXPECT_NE(read.error.find(reason), std::string::npos) << text << " gave: " << read.error;
    }
}

} // namespace
