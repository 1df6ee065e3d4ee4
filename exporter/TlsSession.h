#pragma once

#include <cstddef>
#include <string>
#include <string_view>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

enum class TlsState {
    Handshaking, // wants the peer's bytes (and may have bytes to send first)
    Open,        // plaintext flows both ways
    Closed,      // the peer ended the session cleanly
    Failed,      // see Failure(); send what is left (an alert), then close the connection
};

// Why a TLS session failed, in a fixed set a counter's label can hold.
enum class TlsFault {
    None,
    PlainHttp,            // the client spoke plain HTTP to a TLS port
    NoClientCertificate,  // a certificate was required and none came
    BadClientCertificate, // the client's certificate did not verify against client_ca_file
    CertificateRefused,   // the peer refused this side's certificate (an alert of its own)
    Version,              // no protocol version both sides take (min_version, max_version)
    Other,
};

// One TLS session as bytes in and bytes out, with no socket: the connection's driver feeds it the
// ciphertext it received and sends the ciphertext it gives, and reads and writes plaintext through it,
// so TLS runs on any event loop. Not thread-safe: one connection's owner uses it.
class CTlsSession {
public:
    // A session on context (which it keeps alive), as the server or as the client.
    CTlsSession(SSL_CTX* context, bool server);
    ~CTlsSession();
    CTlsSession(const CTlsSession&) = delete;
    CTlsSession& operator=(const CTlsSession&) = delete;

    // Ciphertext from the peer. The handshake goes on, and the plaintext it carries waits for TakePlain.
    void Received(std::string_view ciphertext);
    // Moves at most most bytes of the peer's plaintext to the end of plain; how many.
    std::size_t TakePlain(std::string& plain, std::size_t most);
    std::size_t PlainWaiting() const { return m_plain.size(); }
    // Plaintext for the peer, to go out as ciphertext; false unless the session is open.
    bool Send(std::string_view plain);
    // Ends the session with a close alert (which TakeCiphertext then gives).
    void Close();
    // The ciphertext for the peer, all there is, which the driver sends in order.
    std::string TakeCiphertext();

    TlsState State() const { return m_state; }
    // Why the session failed, naming the peer as the one whose bytes were refused.
    const std::string& Failure() const { return m_failure; }
    TlsFault Fault() const { return m_fault; }

private:
    void Advance();
    void ReadPlain();
    void Fail(int result);

    SSL* m_ssl;
    const char* m_peer; // "client" or "server"
    TlsState m_state = TlsState::Handshaking;
    std::string m_plain;
    std::string m_failure;
    TlsFault m_fault = TlsFault::None;
};
