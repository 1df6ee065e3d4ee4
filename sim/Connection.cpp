#include "Connection.h"

#include <poll.h>

#include <algorithm>
#include <iterator>

namespace {

// A read takes at most this, so that a flood of commands is answered a little per poll round and every
// other connection gets its turn in between.
constexpr std::size_t kReceiveChunk = 1024;
// Past this much unsent output a client is not reading its answers; its input waits in the kernel,
// where TCP's flow control holds the client back at no cost to the device.
constexpr std::size_t kInputPauseBytes = 64 * 1024;
// A client whose answers still outgrow this (a few huge ones) is dropped before it can exhaust memory.
constexpr std::size_t kMaxPendingBytes = 1 << 20;

} // namespace

CConnection::CConnection(std::unique_ptr<CTcpStream> stream, unsigned short port, const SessionConfig& config,
                         std::function<DeviceTime()> clock, GpsFlipped gpsFlipped,
                         std::chrono::milliseconds slowInterval)
    : m_stream(std::move(stream)), m_port(port), m_session(config, std::move(clock), std::move(gpsFlipped)),
      m_slowInterval(slowInterval) {}

void CConnection::Open(Clock::time_point now, std::chrono::milliseconds firstBytesDelay,
                       std::chrono::milliseconds loginDelay) {
    m_nextSendTime = now;
    const SessionGreeting greeting = m_session.Open();
    if (firstBytesDelay.count() > 0) {
        // As behind a slow path: nothing comes before the delay, the prompt included.
        m_heldUntil = now + firstBytesDelay +
                      (greeting.afterLoginStart.empty() ? std::chrono::milliseconds(0) : loginDelay);
        Queue(greeting.atOnce + greeting.afterLoginStart, false);
        return;
    }
    // Queued together, a greeting that is not held back leaves in a single send.
    m_pending = greeting.atOnce;
    if (!greeting.afterLoginStart.empty() && loginDelay.count() > 0) {
        m_heldUntil = now + loginDelay;
    }
    Queue(greeting.afterLoginStart, false);
    SendDue(now);
}

SessionOutput CConnection::ReadInput() {
    if (m_unread.empty() && !Receive()) {
        return {};
    }
    // A line at a time, so that what a flood of commands queues stays within the pause and one answer,
    // whatever the system's buffers take off it: the rest waits here until the client reads.
    SessionOutput output;
    while (!m_unread.empty() && !IsClosed() && WantsInput()) {
        const std::size_t lineEnd = m_unread.find('\n');
        const std::size_t length = lineEnd == std::string::npos ? m_unread.size() : lineEnd + 1;
        SessionOutput part = m_session.Receive(std::string_view(m_unread).substr(0, length));
        m_unread.erase(0, length);
        // A restart closes every connection at once, after the listeners: a client must not see its
        // connection end while the device still takes new ones.
        // Sent by the caller's SendDue, after it has logged the lines: a client that reads the log once it
        // has its answer must find the line there.
        Queue(part.text, part.close && !part.restart);
        std::ranges::move(part.lines, std::back_inserter(output.lines));
        output.restart = output.restart ? output.restart : part.restart;
        output.close = output.close || part.close;
    }
    return output;
}

bool CConnection::Receive() {
    char buffer[kReceiveChunk];
    const long received = m_stream->Receive(buffer, sizeof buffer);
    if (received == kStreamAgain) {
        return false;
    }
    if (received <= 0) {
        Close();
        return false;
    }
    m_unread.assign(buffer, static_cast<std::size_t>(received));
    return true;
}

void CConnection::Queue(const std::string& text, bool closeWhenSent) {
    // Lines typed before the prompt are answered after it, as a terminal's buffered input would be.
    (m_heldUntil ? m_held : m_pending) += text;
    m_closeWhenSent = m_closeWhenSent || closeWhenSent;
    if (m_pending.size() + m_held.size() > kMaxPendingBytes) {
        Close();
    }
}

void CConnection::ReleaseHeld(Clock::time_point now) {
    if (m_heldUntil && now >= *m_heldUntil) {
        m_pending += m_held;
        m_held.clear();
        m_heldUntil.reset();
    }
}

void CConnection::SendDue(Clock::time_point now) {
    if (IsClosed()) {
        return;
    }
    ReleaseHeld(now);
    if (!m_pending.empty() && IsSendDue(now)) {
        const std::string_view due(m_pending.data(), IsSlow() ? 1 : m_pending.size());
        const long sent = m_stream->Send(&due, 1);
        if (sent == kStreamFailed) {
            Close();
            return;
        }
        if (sent > 0) {
            m_pending.erase(0, static_cast<std::size_t>(sent));
            m_nextSendTime = now + m_slowInterval;
        }
    }
    if (m_pending.empty() && !m_heldUntil && m_closeWhenSent) {
        Close();
    }
}

bool CConnection::WantsInput() const {
    return m_pending.size() + m_held.size() < kInputPauseBytes;
}

bool CConnection::IsSendDue(Clock::time_point now) const {
    return !IsSlow() || now >= m_nextSendTime;
}

short CConnection::PollEvents(Clock::time_point now) const {
    // Held bytes whose time has passed are released by the next SendDue, like bytes already due.
    const bool heldDue = m_heldUntil && now >= *m_heldUntil;
    // Input taken but not answered yet waits only for room in the queue, which a writable socket gives.
    const bool wantsToSend = heldDue || (!m_pending.empty() && IsSendDue(now)) || HasUnreadInput();
    return static_cast<short>((WantsInput() ? POLLIN : 0) | (wantsToSend ? POLLOUT : 0));
}

std::optional<CConnection::Clock::time_point> CConnection::NextSendTime() const {
    // Close drops both queues, so a closed connection waits for nothing.
    std::optional<Clock::time_point> next = m_heldUntil;
    if (!m_pending.empty() && IsSlow() && (!next || m_nextSendTime < *next)) {
        next = m_nextSendTime;
    }
    return next;
}

void CConnection::Close() {
    m_stream.reset();
    m_unread.clear();
    m_pending.clear();
    m_held.clear();
    m_heldUntil.reset();
}
