#include "ConnectionStream.h"

#include <cstring>

namespace {

// Plaintext taken into TLS records in one Send, so that one answer does not sit whole in memory twice.
constexpr std::size_t kPlainPerSend = 64 * 1024;

} // namespace

CConnectionStream::CConnectionStream(std::unique_ptr<CTcpStream> stream, const CTlsServerContext* tls)
    : m_stream(std::move(stream)), m_tls(tls ? std::make_unique<CTlsSession>(tls->Native(), true) : nullptr) {
}

long CConnectionStream::TakePlain(char* buffer, std::size_t size) {
    std::string plain;
    const std::size_t taken = m_tls->TakePlain(plain, size);
    std::memcpy(buffer, plain.data(), taken);
    return static_cast<long>(taken);
}

long CConnectionStream::Receive(char* buffer, std::size_t size) {
    if (!m_tls) {
        return m_stream->Receive(buffer, size);
    }
    if (m_tls->PlainWaiting() > 0) {
        return TakePlain(buffer, size);
    }
    const long received = m_stream->Receive(buffer, size);
    if (received <= 0) {
        return received;
    }
    m_tls->Received(std::string_view(buffer, static_cast<std::size_t>(received)));
    // The handshake's answers, or the alert that tells the client why it failed.
    if (!Flush()) {
        return kStreamFailed;
    }
    if (m_tls->State() == TlsState::Failed) {
        m_failure = m_tls->Failure();
        m_fault = m_tls->Fault();
        return kStreamFailed;
    }
    if (m_tls->PlainWaiting() > 0) {
        return TakePlain(buffer, size);
    }
    return m_tls->State() == TlsState::Closed ? 0 : kStreamAgain;
}

long CConnectionStream::Send(const std::string_view* parts, std::size_t count) {
    if (!m_tls) {
        return count > 0 ? m_stream->Send(parts, count) : 0;
    }
    if (!Flush()) {
        return kStreamFailed;
    }
    // The socket is full: no more plaintext is taken until it has room.
    if (!m_unsent.empty()) {
        return kStreamAgain;
    }
    std::size_t taken = 0;
    for (std::size_t index = 0; index < count && taken < kPlainPerSend; ++index) {
        if (!m_tls->Send(parts[index])) {
            m_failure = m_tls->Failure();
            m_fault = m_tls->Fault();
            return kStreamFailed;
        }
        taken += parts[index].size();
    }
    return Flush() ? static_cast<long>(taken) : kStreamFailed;
}

bool CConnectionStream::Flush() {
    m_unsent += m_tls->TakeCiphertext();
    while (!m_unsent.empty()) {
        const std::string_view part(m_unsent);
        const long sent = m_stream->Send(&part, 1);
        if (sent == kStreamAgain) {
            return true;
        }
        if (sent == kStreamFailed) {
            return false;
        }
        m_unsent.erase(0, static_cast<std::size_t>(sent));
    }
    return true;
}

void CConnectionStream::ShutdownSend() {
    if (m_tls) {
        m_tls->Close();
        // The close alert goes if the socket takes it now; the answer before it has gone whole.
        (void)Flush();
    }
    m_stream->ShutdownSend();
}
