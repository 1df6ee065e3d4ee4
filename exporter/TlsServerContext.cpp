#include "TlsServerContext.h"

#include "devicetext/DeviceText.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

constexpr std::size_t kLongestPathEcho = 200;

int ProtocolVersion(TlsVersion version) {
    return version == TlsVersion::Tls13 ? TLS1_3_VERSION : TLS1_2_VERSION;
}

// For the client certificate policies that ask for a certificate but do not check it.
int AcceptAnyCertificate(int, X509_STORE_CTX*) {
    return 1;
}

void SetClientAuth(SSL_CTX* context, ClientAuth auth) {
    switch (auth) {
    case ClientAuth::None:
        SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
        return;
    case ClientAuth::Request:
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, AcceptAnyCertificate);
        return;
    case ClientAuth::RequireAny:
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, AcceptAnyCertificate);
        return;
    case ClientAuth::VerifyIfGiven:
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
        return;
    case ClientAuth::RequireAndVerify:
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        return;
    }
}

std::string FileFailure(const char* what, const std::string& path) {
    return std::string("cannot use ") + what + " " + OutsideText(path, kLongestPathEcho) + ": " +
           TakeTlsError();
}

// What config asks of context; empty when it all took, else why not.
std::string Configure(SSL_CTX* context, const TlsServerConfig& config) {
    if (SSL_CTX_set_min_proto_version(context, ProtocolVersion(config.minVersion)) != 1 ||
        SSL_CTX_set_max_proto_version(context, ProtocolVersion(config.maxVersion)) != 1) {
        return "cannot set the TLS versions: " + TakeTlsError();
    }
    // A client may not renegotiate: each renegotiation costs the server a handshake it did not choose.
    SSL_CTX_set_options(context, SSL_OP_NO_RENEGOTIATION |
                                     (config.preferServerCipherSuites ? SSL_OP_CIPHER_SERVER_PREFERENCE : 0));
    if (SSL_CTX_use_certificate_chain_file(context, config.certFile.c_str()) != 1) {
        return FileFailure("cert_file", config.certFile);
    }
    // Also refused when the key is not the certificate's ("key values mismatch").
    if (SSL_CTX_use_PrivateKey_file(context, config.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        return FileFailure("key_file", config.keyFile);
    }
    if (!config.clientCaFile.empty()) {
        STACK_OF(X509_NAME)* names = SSL_load_client_CA_file(config.clientCaFile.c_str());
        if (names == nullptr ||
            SSL_CTX_load_verify_locations(context, config.clientCaFile.c_str(), nullptr) != 1) {
            sk_X509_NAME_pop_free(names, X509_NAME_free);
            return FileFailure("client_ca_file", config.clientCaFile);
        }
        SSL_CTX_set_client_CA_list(context, names);
    }
    SetClientAuth(context, config.clientAuth);
    // Resumed sessions are checked against this, without which resumption fails once clients are verified.
    static constexpr unsigned char kSessionContext[] = "vantrex-exporter";
    (void)SSL_CTX_set_session_id_context(context, kSessionContext, sizeof kSessionContext - 1);
    return {};
}

} // namespace

std::string TakeTlsError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
    return reason != nullptr ? reason : "no reason given";
}

CTlsServerContext::~CTlsServerContext() {
    SSL_CTX_free(m_context);
}

std::shared_ptr<const CTlsServerContext> CTlsServerContext::Load(const TlsServerConfig& config,
                                                                 std::string& error) {
    ERR_clear_error();
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr) {
        error = "no TLS context: " + TakeTlsError();
        return nullptr;
    }
    std::shared_ptr<const CTlsServerContext> loaded(new CTlsServerContext(context));
    error = Configure(context, config);
    return error.empty() ? loaded : nullptr;
}
