#pragma once

#include "TcpStream.h"

#include <memory>
#include <optional>
#include <string>

// A listening TCP socket whose connections are taken on an event loop, without blocking.
class CTcpListener {
public:
    CTcpListener() = default;
    ~CTcpListener();
    CTcpListener(const CTcpListener&) = delete;
    CTcpListener& operator=(const CTcpListener&) = delete;

    // Listens on address (dotted IPv4, or IPv6; "::" takes IPv4 connections as well) and port, with queue
    // connections held by the system before they are accepted. The port is never shared with another
    // listening socket. The reason when it cannot: "in use", or the system's words.
    std::optional<std::string> Listen(const std::string& address, int port, int queue);
    // The next connection waiting, or nullptr: none waits (failure stays empty), or the system refused
    // (failure says why, such as no descriptor left).
    std::unique_ptr<CTcpStream> Accept(std::string& failure);
    // Stops listening; connections accepted earlier stay.
    void Close();
    WaitHandle SocketHandle() const { return m_socket; }

private:
    WaitHandle m_socket = kNoSignal;
};
