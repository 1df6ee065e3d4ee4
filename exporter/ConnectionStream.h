#pragma once

#include "TlsServerContext.h"
#include "TlsSession.h"

#include "runtime/TcpStream.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// A client connection's bytes as the HTTP connection reads and writes them: the socket's own, or the
// plaintext of a TLS session over it. Receive and Send keep CTcpStream's meaning (kStreamAgain,
// kStreamFailed, 0 for the peer's end); with TLS, ciphertext the socket did not take waits here
// (HasUnsent) and plaintext decrypted beyond what was asked waits too (HasBuffered), so the caller
// watches for writing, and reads again without waiting for the socket, while they hold.
class CConnectionStream {
public:
    // tls: none for plain HTTP.
    CConnectionStream(std::unique_ptr<CTcpStream> stream, const CTlsServerContext* tls);

    long Receive(char* buffer, std::size_t size);
    // Sends parts as CTcpStream does; with count 0, only sends on what TLS holds (0 once it has all gone).
    long Send(const std::string_view* parts, std::size_t count);
    void ShutdownSend();
    bool HasUnsent() const { return !m_unsent.empty(); }
    bool HasBuffered() const { return m_tls && m_tls->PlainWaiting() > 0; }
    // Why TLS failed, when Receive or Send said kStreamFailed for it; empty otherwise.
    const std::string& TlsFailure() const { return m_failure; }
    TlsFault TlsFailureFault() const { return m_fault; }

    WaitHandle SocketHandle() const { return m_stream->SocketHandle(); }
    const std::string& Peer() const { return m_stream->Peer(); }

private:
    // Sends what TLS has made; false when the connection broke.
    bool Flush();
    long TakePlain(char* buffer, std::size_t size);

    std::unique_ptr<CTcpStream> m_stream;
    std::unique_ptr<CTlsSession> m_tls;
    std::string m_unsent;
    std::string m_failure;
    TlsFault m_fault = TlsFault::None;
};
