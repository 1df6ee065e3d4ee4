#include "WebConfig.h"

#include "devicetext/DeviceText.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::size_t kMostUsers = 1000;
constexpr std::size_t kLongestUserName = 256;
// $2b$, two digits of cost, $, 22 characters of salt and 31 of hash.
constexpr std::size_t kBcryptLength = 60;

struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Quoted(std::string_view text) {
    return "'" + OutsideText(text, kLongestEcho) + "'";
}

std::string Scalar(const YAML::Node& node, const std::string& key) {
    if (!node.IsScalar()) {
        throw Refusal(key + " takes a text");
    }
    return node.Scalar();
}

// The keys of a mapping, each known to the caller, or a refusal naming the first it does not know.
template <std::size_t Count>
void OnlyKnownKeys(const YAML::Node& map, const std::string& where,
                   const std::array<const char*, Count>& known, const char* hint) {
    for (const auto& entry : map) {
        const std::string key = entry.first.IsScalar() ? entry.first.Scalar() : std::string();
        if (std::none_of(known.begin(), known.end(), [&key](const char* name) { return key == name; })) {
            throw Refusal(where + Quoted(key) + " is not supported" + hint);
        }
    }
}

TlsVersion ParseVersion(const YAML::Node& node, const std::string& key) {
    const std::string text = Scalar(node, key);
    if (text == "TLS12") {
        return TlsVersion::Tls12;
    }
    if (text == "TLS13") {
        return TlsVersion::Tls13;
    }
    if (text == "TLS10" || text == "TLS11") {
        throw Refusal(key + " " + text +
                      " is not offered: TLS 1.0 and 1.1 are retired (RFC 8996); use TLS12 "
                      "or TLS13");
    }
    throw Refusal(key + " takes TLS12 or TLS13, not " + Quoted(text));
}

ClientAuth ParseClientAuth(const YAML::Node& node) {
    static const std::array<std::pair<const char*, ClientAuth>, 5> kNames = {{
        {"NoClientCert", ClientAuth::None},
        {"RequestClientCert", ClientAuth::Request},
        {"RequireAnyClientCert", ClientAuth::RequireAny},
        {"VerifyClientCertIfGiven", ClientAuth::VerifyIfGiven},
        {"RequireAndVerifyClientCert", ClientAuth::RequireAndVerify},
    }};
    const std::string text = Scalar(node, "client_auth_type");
    for (const auto& [name, value] : kNames) {
        if (text == name) {
            return value;
        }
    }
    throw Refusal("client_auth_type takes NoClientCert, RequestClientCert, RequireAnyClientCert, "
                  "VerifyClientCertIfGiven or RequireAndVerifyClientCert, not " +
                  Quoted(text));
}

std::string PathIn(const std::string& folder, const YAML::Node& node, const std::string& key) {
    const std::string text = Scalar(node, key);
    if (text.empty()) {
        return text;
    }
    const std::filesystem::path path(text);
    return path.is_absolute() ? text : (std::filesystem::path(folder) / path).string();
}

std::optional<TlsServerConfig> ParseTls(const YAML::Node& node, const std::string& folder) {
    if (!node || node.IsNull()) {
        return std::nullopt;
    }
    if (!node.IsMap()) {
        throw Refusal("tls_server_config takes a mapping");
    }
    OnlyKnownKeys(node, "tls_server_config: ",
                  std::array{"cert_file", "key_file", "client_ca_file", "client_auth_type", "min_version",
                             "max_version", "prefer_server_cipher_suites"},
                  " (cipher suites, curves and client SANs follow the system's TLS library; certificates "
                  "and keys are given as files)");
    TlsServerConfig tls;
    if (node["cert_file"]) {
        tls.certFile = PathIn(folder, node["cert_file"], "cert_file");
    }
    if (node["key_file"]) {
        tls.keyFile = PathIn(folder, node["key_file"], "key_file");
    }
    if (node["client_ca_file"]) {
        tls.clientCaFile = PathIn(folder, node["client_ca_file"], "client_ca_file");
    }
    if (node["client_auth_type"]) {
        tls.clientAuth = ParseClientAuth(node["client_auth_type"]);
    }
    if (node["min_version"]) {
        tls.minVersion = ParseVersion(node["min_version"], "min_version");
    }
    if (node["max_version"]) {
        tls.maxVersion = ParseVersion(node["max_version"], "max_version");
    }
    if (node["prefer_server_cipher_suites"]) {
        try {
            tls.preferServerCipherSuites = node["prefer_server_cipher_suites"].as<bool>();
        } catch (const YAML::Exception&) {
            throw Refusal("prefer_server_cipher_suites takes true or false");
        }
    }
    if (tls.certFile.empty() && tls.keyFile.empty() && node.size() == 0) {
        return std::nullopt;
    }
    if (tls.certFile.empty() || tls.keyFile.empty()) {
        throw Refusal("tls_server_config needs both cert_file and key_file");
    }
    if (tls.minVersion > tls.maxVersion) {
        throw Refusal("tls_server_config: min_version is above max_version");
    }
    const bool verifies =
        tls.clientAuth == ClientAuth::VerifyIfGiven || tls.clientAuth == ClientAuth::RequireAndVerify;
    if (verifies && tls.clientCaFile.empty()) {
        throw Refusal("client_auth_type checks client certificates and needs client_ca_file");
    }
    if (!verifies && !tls.clientCaFile.empty()) {
        throw Refusal("client_ca_file is given but client_auth_type checks no client certificate (use "
                      "VerifyClientCertIfGiven or RequireAndVerifyClientCert)");
    }
    return tls;
}

bool IsBcryptHash(const std::string& hash) {
    static constexpr std::string_view kAlphabet =
        "./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (hash.size() != kBcryptLength || hash.compare(0, 2, "$2") != 0 ||
        std::string_view("aby").find(hash[2]) == std::string_view::npos || hash[3] != '$' || hash[6] != '$') {
        return false;
    }
    if (hash[4] < '0' || hash[4] > '3' || hash[5] < '0' || hash[5] > '9') {
        return false;
    }
    const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
    return cost >= 4 && cost <= 31 && std::all_of(hash.begin() + 7, hash.end(), [](char c) {
               return kAlphabet.find(c) != std::string_view::npos;
           });
}

bool IsUserName(const std::string& name) {
    return !name.empty() && name.size() <= kLongestUserName && name.find(':') == std::string::npos &&
           DeviceText(name) == name;
}

std::map<std::string, std::string> ParseUsers(const YAML::Node& node) {
    if (!node || node.IsNull()) {
        return {};
    }
    if (!node.IsMap()) {
        throw Refusal("basic_auth_users takes a mapping of user names to bcrypt hashes");
    }
    if (node.size() > kMostUsers) {
        throw Refusal("basic_auth_users lists more than " + std::to_string(kMostUsers) + " users");
    }
    std::map<std::string, std::string> users;
    for (const auto& entry : node) {
        const std::string name = Scalar(entry.first, "a user name in basic_auth_users");
        if (!IsUserName(name)) {
            throw Refusal("basic_auth_users: " + Quoted(name) +
                          " is no user name (1 to 256 printable characters, no ':')");
        }
        const std::string hash = Scalar(entry.second, "basic_auth_users: " + Quoted(name));
        if (!IsBcryptHash(hash)) {
            throw Refusal("basic_auth_users: the password of " + Quoted(name) +
                          " is not a bcrypt hash ($2y$ or $2b$, as htpasswd -B writes)");
        }
        users.emplace(name, hash);
    }
    return users;
}

} // namespace

WebConfigRead ParseWebConfig(std::string_view text, const std::string& folder) {
    WebConfigRead read;
    try {
        const YAML::Node root = YAML::Load(std::string(text));
        if (root.IsNull()) {
            read.config = WebConfig{};
            return read;
        }
        if (!root.IsMap()) {
            throw Refusal("the file holds no mapping of settings");
        }
        OnlyKnownKeys(root, "", std::array{"tls_server_config", "basic_auth_users", "http_server_config"},
                      " (this exporter reads tls_server_config and basic_auth_users)");
        if (const YAML::Node http = root["http_server_config"]; http && !http.IsNull()) {
            // The exporter speaks HTTP/1.1 only, which every client falls back to: http2 asks nothing of it.
            if (!http.IsMap()) {
                throw Refusal("http_server_config takes a mapping");
            }
            OnlyKnownKeys(http, "http_server_config: ", std::array{"http2"}, " (only http2 is read)");
        }
        WebConfig config;
        config.tls = ParseTls(root["tls_server_config"], folder);
        config.users = ParseUsers(root["basic_auth_users"]);
        read.config = std::move(config);
    } catch (const Refusal& refusal) {
        read.error = refusal.what();
    } catch (const YAML::Exception& error) {
        read.error = "not YAML: " + OutsideText(error.what(), 200);
    }
    return read;
}

WebConfigRead ReadWebConfig(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {std::nullopt, "cannot open " + OutsideText(path, 200)};
    }
    std::string text(kLongestWebConfig + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) {
        return {std::nullopt, "cannot read " + OutsideText(path, 200)};
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kLongestWebConfig) {
        return {std::nullopt, OutsideText(path, 200) + " is longer than " +
                                  std::to_string(kLongestWebConfig / 1024) + " KiB"};
    }
    return ParseWebConfig(text, std::filesystem::path(path).parent_path().string());
}
