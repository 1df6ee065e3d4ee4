#pragma once

#include "tests/support/LoopbackPeer.h"

#include <atomic>
#include <string>
#include <thread>

// A plain TCP service that is not the device: greets every connection with its banner and closes it, or
// with endless repeats of it until the client leaves.
class CBannerServer {
public:
    CBannerServer(const char* address, unsigned short port, std::string banner, bool endless = false)
        : m_listener(address, port), m_banner(std::move(banner)), m_endless(endless),
          m_thread([this] { Serve(); }) {}
    ~CBannerServer() {
        m_stop = true;
        m_thread.join();
    }
    CBannerServer(const CBannerServer&) = delete;
    CBannerServer& operator=(const CBannerServer&) = delete;

    bool IsListening() const { return m_listener.IsListening(); }

private:
    void Serve() {
        // Each turn waits 50 ms at most, so the destructor's stop is seen soon.
        while (!m_stop) {
            const PeerSocket peer = m_listener.Accept(50);
            if (peer != kNoPeer) {
                // A failed send is the client leaving, which ends an endless greeting.
                while (SendAll(peer, m_banner) && m_endless && !m_stop) {
                }
                CloseFd(peer);
            }
        }
    }

    CLoopbackListener m_listener;
    const std::string m_banner;
    const bool m_endless;
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // last: it starts once the members it uses exist
};
