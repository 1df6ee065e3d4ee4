#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Whether and how a client shows a certificate, in the words the exporters' web configuration uses.
enum class ClientAuth {
    None,             // NoClientCert
    Request,          // RequestClientCert: asked for, not checked
    RequireAny,       // RequireAnyClientCert: needed, not checked
    VerifyIfGiven,    // VerifyClientCertIfGiven: checked against client_ca_file when shown
    RequireAndVerify, // RequireAndVerifyClientCert
};

enum class TlsVersion { Tls12, Tls13 };

// tls_server_config, its paths made absolute against the configuration file's folder.
struct TlsServerConfig {
    std::string certFile;
    std::string keyFile;
    std::string clientCaFile; // empty: none
    ClientAuth clientAuth = ClientAuth::None;
    TlsVersion minVersion = TlsVersion::Tls12;
    TlsVersion maxVersion = TlsVersion::Tls13;
    bool preferServerCipherSuites = true;
};

// The web configuration file (--web.config.file) as the exporters share it: TLS and basic auth.
struct WebConfig {
    std::optional<TlsServerConfig> tls;       // none: plain HTTP
    std::map<std::string, std::string> users; // name: bcrypt hash; none: no authentication
};

// A configuration, or why there is none (one line, naming the key at fault).
struct WebConfigRead {
    std::optional<WebConfig> config;
    std::string error;
};

// Reads the YAML text of a web configuration; relative paths in it are taken from folder. Anything it
// cannot honour (an unknown key, TLS 1.0, cipher lists, a hash that is not bcrypt) is refused rather than
// ignored, so that the file never promises more than the exporter does.
WebConfigRead ParseWebConfig(std::string_view text, const std::string& folder);

// Reads the file at path (at most kLongestWebConfig bytes) and parses it.
WebConfigRead ReadWebConfig(const std::string& path);

inline constexpr std::size_t kLongestWebConfig = 64 * 1024;
