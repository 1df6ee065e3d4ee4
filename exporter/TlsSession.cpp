#include "TlsSession.h"

#include "TlsServerContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <array>
#include <new>

namespace {

// The fault an OpenSSL reason code names.
TlsFault FaultOf(int reason) {
    switch (reason) {
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
        return TlsFault::PlainHttp;
    case SSL_R_PEER_DID_NOT_RETURN_A_CERTIFICATE:
        return TlsFault::NoClientCertificate;
    case SSL_R_CERTIFICATE_VERIFY_FAILED:
        return TlsFault::BadClientCertificate;
    case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_UNKNOWN:
    case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_EXPIRED:
        return TlsFault::CertificateRefused;
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_VERSION_TOO_LOW:
    case SSL_R_VERSION_TOO_HIGH:
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
        return TlsFault::Version;
    default:
        return TlsFault::Other;
    }
}

} // namespace

CTlsSession::CTlsSession(SSL_CTX* context, bool server)
    : m_ssl(SSL_new(context)), m_peer(server ? "client" : "server") {
    BIO* input = BIO_new(BIO_s_mem());
    BIO* output = BIO_new(BIO_s_mem());
    if (m_ssl == nullptr || input == nullptr || output == nullptr) {
        BIO_free(input);
        BIO_free(output);
        SSL_free(m_ssl);
        throw std::bad_alloc();
    }
    // An empty input is "more to come", not the end of the stream.
    BIO_set_mem_eof_return(input, -1);
    BIO_set_mem_eof_return(output, -1);
    SSL_set_bio(m_ssl, input, output);
    if (server) {
        SSL_set_accept_state(m_ssl);
    } else {
        SSL_set_connect_state(m_ssl);
    }
    Advance();
}

CTlsSession::~CTlsSession() {
    SSL_free(m_ssl);
}

void CTlsSession::Received(std::string_view ciphertext) {
    if (m_state == TlsState::Handshaking || m_state == TlsState::Open) {
        // A memory BIO takes every byte it is given.
        (void)BIO_write(SSL_get_rbio(m_ssl), ciphertext.data(), static_cast<int>(ciphertext.size()));
        Advance();
    }
}

void CTlsSession::Advance() {
    ERR_clear_error();
    if (m_state == TlsState::Handshaking) {
        const int result = SSL_do_handshake(m_ssl);
        if (result != 1) {
            Fail(result);
            return;
        }
        m_state = TlsState::Open;
    }
    if (m_state == TlsState::Open) {
        ReadPlain();
    }
}

void CTlsSession::ReadPlain() {
    std::array<char, 16384> block;
    for (;;) {
        std::size_t read = 0;
        const int result = SSL_read_ex(m_ssl, block.data(), block.size(), &read);
        if (result != 1) {
            Fail(result);
            return;
        }
        m_plain.append(block.data(), read);
    }
}

void CTlsSession::Fail(int result) {
    switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        return;
    case SSL_ERROR_ZERO_RETURN:
        m_state = TlsState::Closed;
        return;
    case SSL_ERROR_SSL:
        m_fault = FaultOf(ERR_GET_REASON(ERR_peek_error()));
        m_failure = m_fault == TlsFault::PlainHttp
                        ? std::string("the ") + m_peer + " spoke plain HTTP to a TLS port"
                        : std::string("TLS with the ") + m_peer + " failed: " + TakeTlsError();
        break;
    default:
        m_fault = TlsFault::Other;
        m_failure = std::string("TLS with the ") + m_peer + " failed: " + TakeTlsError();
        break;
    }
    m_state = TlsState::Failed;
}

std::size_t CTlsSession::TakePlain(std::string& plain, std::size_t most) {
    const std::size_t taken = std::min(most, m_plain.size());
    plain.append(m_plain, 0, taken);
    m_plain.erase(0, taken);
    return taken;
}

bool CTlsSession::Send(std::string_view plain) {
    if (m_state != TlsState::Open) {
        return false;
    }
    std::size_t written = 0;
    if (!plain.empty() && SSL_write_ex(m_ssl, plain.data(), plain.size(), &written) != 1) {
        Fail(0);
        return false;
    }
    return true;
}

void CTlsSession::Close() {
    if (m_state == TlsState::Open) {
        // The peer's answering alert is not awaited: the connection closes after ours goes out.
        (void)SSL_shutdown(m_ssl);
        m_state = TlsState::Closed;
    }
}

std::string CTlsSession::TakeCiphertext() {
    BIO* output = SSL_get_wbio(m_ssl);
    std::string ciphertext(static_cast<std::size_t>(BIO_ctrl_pending(output)), '\0');
    if (!ciphertext.empty()) {
        const int read = BIO_read(output, ciphertext.data(), static_cast<int>(ciphertext.size()));
        ciphertext.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    }
    return ciphertext;
}
