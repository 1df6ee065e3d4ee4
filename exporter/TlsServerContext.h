#pragma once

#include "WebConfig.h"

#include <memory>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;

// The server's TLS settings loaded into the system's TLS library (OpenSSL): certificate chain, key,
// versions and the client certificate policy, ready for each connection's CTlsSession.
class CTlsServerContext {
public:
    ~CTlsServerContext();
    CTlsServerContext(const CTlsServerContext&) = delete;
    CTlsServerContext& operator=(const CTlsServerContext&) = delete;

    // The context for config, or none and why (a file that cannot be read, a key that is not the
    // certificate's), naming the file.
    static std::shared_ptr<const CTlsServerContext> Load(const TlsServerConfig& config, std::string& error);

    SSL_CTX* Native() const { return m_context; }

private:
    explicit CTlsServerContext(SSL_CTX* context) : m_context(context) {}
    SSL_CTX* m_context;
};

// The reason of the oldest error OpenSSL queued on this thread ("no reason given" when none), and the
// queue emptied, so that the next failure starts clean.
std::string TakeTlsError();
