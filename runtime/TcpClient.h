#pragma once

#include "Signal.h"

#include <cstdint>
#include <memory>
#include <string>

// Network-event bits of EventSelect (the system's own, not the platform's values).
enum NetworkEvent : unsigned {
    EventRead = 1,
    EventWrite = 2,
    EventAccept = 4,
    EventClose = 8,
    EventConnect = 16,
};

// Arguments of Create, with the values every platform gives them.
inline constexpr int kSockStream = 1;
inline constexpr int kIpProtoTcp = 6;
inline constexpr int kAfInet = 2;

// Result of a socket call that failed.
inline constexpr int kSocketError = -1;
// LastError() after a call on a non-blocking socket that could not complete yet (including a connect
// that is under way).
inline constexpr int kErrorWouldBlock = 10035;
// LastError() after a call on a connection that the peer reset.
inline constexpr int kErrorConnectionReset = 10054;

// Time after which a connect that nothing answers counts as failed.
inline constexpr std::uint32_t kDefaultConnectTimeoutMs = 20000;

// The destination of the last connect, in network byte order as it was given to the platform.
struct RemoteAddress {
    std::uint16_t family = 0;
    unsigned char port[2] = {0, 0};
    unsigned char address[4] = {0, 0, 0, 0};
};

// One TCP client socket, used by one thread. Operations pass the platform's result through; the
// reason of a failure is read with LastError on the same thread right after it.
class CTcpClient {
public:
    CTcpClient();
    virtual ~CTcpClient();
    CTcpClient(const CTcpClient&) = delete;
    CTcpClient& operator=(const CTcpClient&) = delete;

    // Opens a socket; true on success. Only called when no socket is open.
    bool Create(int type, int protocol, int family);
    // Switches blocking mode; false without a socket.
    bool SetBlocking(bool blocking);
    // Sets address reuse; false without a socket.
    bool SetReuseAddress(bool on);
    // Starts a connect to a dotted IPv4 address text; text that is not one becomes 255.255.255.255.
    // 0 when connected at once, kSocketError otherwise (kErrorWouldBlock: under way).
    int Connect(const std::string& address, unsigned short port);
    // The same with an address in host byte order. kSocketError without a socket.
    int ConnectAddress(unsigned long address, unsigned short port);
    // Bytes accepted or kSocketError. A connection the peer closed fails; it never raises a signal.
    int Send(const char* data, int length, int flags);
    // Bytes received, 0 when the peer closed the connection in order, or kSocketError.
    int Receive(char* buffer, int size, int flags);
    // Makes signal count as set while any requested condition holds; replaces the previous request
    // (no known bit: none). A signal watches one socket at a time. 0, or kSocketError without a socket.
    int EventSelect(unsigned events, const CSignal& signal);
    // Whether a connect has completed successfully: writable and no pending socket error. A connect
    // that outlived the connect time-out is reported as not writable. When false, LastError says why.
    bool IsConnectEstablished() const;
    // Closes the socket; the result of the platform's close, or -1 when there was no socket.
    int Close();
    // Whether a socket is open.
    bool IsOpen() const;
    // The socket as CEventLoop watches it; kNoSignal when none is open.
    WaitHandle SocketHandle() const;
    // The error that ended a connect that was under way (0: it stands; kErrorWouldBlock: still under
    // way), read once the socket is writable or in error; the platform's code, as LastError gives it.
    int ConnectResult() const;
    // The destination of the last connect.
    const RemoteAddress& Remote() const { return m_remote; }
    // Replaces kDefaultConnectTimeoutMs for later connects (tests shorten it).
    void SetConnectTimeout(std::uint32_t ms) { m_connectTimeoutMs = ms; }
    // The calling thread's error of its last failed socket call.
    static int LastError();

    // Backend state; only the platform layer looks inside.
    struct Native;

private:
    std::unique_ptr<Native> m_native;
    RemoteAddress m_remote;
    int m_family = 0;
    std::uint32_t m_connectTimeoutMs = kDefaultConnectTimeoutMs;
};
