#pragma once

#include "BasicAuth.h"
#include "TlsServerContext.h"

#include <memory>
#include <string>

// A web configuration file made live: the TLS context (none: plain HTTP) and the users. Never changed
// once loaded: a reload loads a new one, which the server swaps in for new connections while each
// connection keeps the one it began with.
class CWebSettings {
public:
    // Settings with neither TLS nor authentication: what the server runs without --web.config.file.
    CWebSettings() : m_auth(std::map<std::string, std::string>()) {}
    // The settings of the file at path, or none and why (one line).
    static std::shared_ptr<const CWebSettings> Load(const std::string& path, std::string& error);

    const std::shared_ptr<const CTlsServerContext>& Tls() const { return m_tls; }
    // Thread-safe; checks are remembered inside (CBasicAuth).
    CBasicAuth& Auth() const { return m_auth; }

private:
    CWebSettings(std::shared_ptr<const CTlsServerContext> tls, std::map<std::string, std::string> users)
        : m_tls(std::move(tls)), m_auth(std::move(users)) {}

    std::shared_ptr<const CTlsServerContext> m_tls;
    mutable CBasicAuth m_auth;
};
