#pragma once

#include "WaitTypes.h"

#include <cstddef>
#include <string>
#include <string_view>

// What Receive and Send return when they could not move bytes.
inline constexpr long kStreamAgain = -1;  // nothing can move now; the loop says when it can
inline constexpr long kStreamFailed = -2; // the connection broke (reset, or the peer is gone)

// One connection a CTcpListener accepted: non-blocking, used on one thread, closed with the object.
class CTcpStream {
public:
    // Takes the accepted socket handle and the peer's address as text.
    CTcpStream(WaitHandle socket, std::string peer);
    ~CTcpStream();
    CTcpStream(const CTcpStream&) = delete;
    CTcpStream& operator=(const CTcpStream&) = delete;

    // Bytes read into buffer, at most size; 0 once the peer has ended its sending side.
    long Receive(char* buffer, std::size_t size);
    // Sends as much of the parts, in order, as the system takes now; the bytes taken.
    long Send(const std::string_view* parts, std::size_t count);
    // Ends our sending side: the peer reads the end of the stream after what was sent.
    void ShutdownSend();
    // The socket as CEventLoop watches it.
    WaitHandle SocketHandle() const { return m_socket; }
    // The peer's address: dotted IPv4, or IPv6 text (an IPv4 peer of a dual-stack socket shows as IPv4).
    const std::string& Peer() const { return m_peer; }

private:
    const WaitHandle m_socket;
    const std::string m_peer;
};
