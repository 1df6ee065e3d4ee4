#pragma once

#include "DeviceSession.h"

#include "runtime/TcpStream.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// One accepted connection: its socket, its session and the bytes still to send, which go out at
// full speed or, when slowed down, one byte per interval. Each read takes in a bounded amount, so
// that one busy client costs the others a bounded delay. The telnet login prompt, and whatever the
// session answers before it appears, is held back until the login program has started.
class CConnection {
public:
    using Clock = std::chrono::steady_clock;

    // Takes the accepted connection stream, accepted on port.
    CConnection(std::unique_ptr<CTcpStream> stream, unsigned short port, const SessionConfig& config,
                std::function<DeviceTime()> clock, GpsFlipped gpsFlipped,
                std::chrono::milliseconds slowInterval);
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;

    // The socket, -1 once closed.
    int Fd() const { return m_stream ? static_cast<int>(m_stream->SocketHandle()) : -1; }
    // The port the connection was accepted on.
    unsigned short Port() const { return m_port; }
    // True once the socket has been closed; the server then drops the connection.
    bool IsClosed() const { return !m_stream; }

    // Queues the session's greeting, holding all of it back for firstBytesDelay and its login prompt for
    // loginDelay more, and sends what is due.
    void Open(Clock::time_point now, std::chrono::milliseconds firstBytesDelay,
              std::chrono::milliseconds loginDelay);
    // Answers the input taken earlier and not answered yet, else reads what has arrived, and queues the
    // session's reply, which the caller's SendDue sends once it has logged the lines; stops where the
    // queue reaches the pause. Returns the session's output for the server's log and restart (its text
    // already queued). Closes on end of stream or error; after a restart request the server closes it.
    SessionOutput ReadInput();
    // Releases the held bytes once their time has come and sends what is due now; closes once
    // everything is sent when the session asked for that.
    void SendDue(Clock::time_point now);
    // The poll events this connection waits for now.
    short PollEvents(Clock::time_point now) const;
    // False while more unsent output waits than a client that reads would ever let pile up: its input
    // then stays unread until it takes its answers.
    bool WantsInput() const;
    // Whether input taken earlier waits to be answered, and the queue has room for it now.
    bool HasUnreadInput() const { return WantsInput() && !m_unread.empty(); }
    // When the next slowed-down byte or the held bytes are due, if any are waiting.
    std::optional<Clock::time_point> NextSendTime() const;
    // Closes the socket; queued bytes are dropped.
    void Close();

private:
    // Takes in what has arrived, at most one chunk; false when nothing has (or the peer has gone).
    bool Receive();
    void Queue(const std::string& text, bool closeWhenSent);
    void ReleaseHeld(Clock::time_point now);
    bool IsSendDue(Clock::time_point now) const;
    bool IsSlow() const { return m_slowInterval.count() > 0; }

    std::unique_ptr<CTcpStream> m_stream;
    unsigned short m_port;
    CDeviceSession m_session;
    std::chrono::milliseconds m_slowInterval;
    std::string m_unread; // taken from the socket, not answered yet: at most one chunk
    std::string m_pending;
    Clock::time_point m_nextSendTime;
    std::string m_held;                           // queued behind the login prompt, which comes first
    std::optional<Clock::time_point> m_heldUntil; // set while bytes are held
    bool m_closeWhenSent = false;
};
