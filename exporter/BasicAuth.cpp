#include "BasicAuth.h"

#include <crypt.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

constexpr std::size_t kLongestAuthorization = 1024;

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
           });
}

std::optional<std::string> Base64Decoded(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string bytes(text.size() / 4 * 3, '\0');
    const int length =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (length < 0) {
        return std::nullopt;
    }
    // The decoder counts the padding as zero bytes.
    const std::size_t padding = static_cast<std::size_t>(std::count(text.end() - 2, text.end(), '='));
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}

} // namespace

std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view value) {
    const std::size_t space = value.find(' ');
    if (value.size() > kLongestAuthorization || space == std::string_view::npos ||
        !EqualsIgnoringCase(value.substr(0, space), "basic")) {
        return std::nullopt;
    }
    std::string_view token = value.substr(space + 1);
    while (!token.empty() && token.front() == ' ') {
        token.remove_prefix(1);
    }
    const std::optional<std::string> decoded = Base64Decoded(token);
    const std::size_t colon = decoded ? decoded->find(':') : std::string::npos;
    if (colon == std::string::npos || std::any_of(decoded->begin(), decoded->end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20;
        })) {
        return std::nullopt;
    }
    return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

CPendingLogin::CPendingLogin(std::string user, std::string password, std::string hash, bool knownUser)
    : m_user(std::move(user)), m_password(std::move(password)), m_hash(std::move(hash)),
      m_knownUser(knownUser) {}

bool CPendingLogin::Matches() const {
    const auto data = std::make_unique<crypt_data>();
    const char* result = crypt_rn(m_password.c_str(), m_hash.c_str(), data.get(), sizeof(crypt_data));
    return result != nullptr && std::char_traits<char>::length(result) == m_hash.size() &&
           CRYPTO_memcmp(result, m_hash.data(), m_hash.size()) == 0;
}

CBasicAuth::CBasicAuth(std::map<std::string, std::string> users) : m_users(std::move(users)) {
    if (RAND_bytes(m_secret.data(), static_cast<int>(m_secret.size())) != 1) {
        throw std::runtime_error("no random bytes for the password cache");
    }
}

CBasicAuth::Mac CBasicAuth::KeyedHash(const std::string& user, const std::string& password) const {
    // The name goes in with its length, so that no other split of the same bytes gives the same hash.
    const std::string message = std::to_string(user.size()) + ':' + user + password;
    Mac mac{};
    unsigned int length = 0;
    (void)HMAC(EVP_sha256(), m_secret.data(), static_cast<int>(m_secret.size()),
               reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac.data(), &length);
    return mac;
}

AuthDecision CBasicAuth::Check(std::optional<std::string_view> authorization) const {
    if (!Required()) {
        return {AuthOutcome::Granted, std::nullopt};
    }
    std::optional<BasicCredentials> credentials =
        authorization ? ParseBasicAuthorization(*authorization) : std::nullopt;
    if (!credentials) {
        return {AuthOutcome::Refused, std::nullopt};
    }
    const Mac mac = KeyedHash(credentials->user, credentials->password);
    const auto granted = m_granted.find(credentials->user);
    if (granted != m_granted.end() && CRYPTO_memcmp(granted->second.data(), mac.data(), mac.size()) == 0) {
        return {AuthOutcome::Granted, std::nullopt};
    }
    // An unknown name is checked against a real hash, whose answer is then thrown away.
    const auto user = m_users.find(credentials->user);
    const bool known = user != m_users.end();
    std::string hash = known ? user->second : m_users.begin()->second;
    return {AuthOutcome::Pending, CPendingLogin(std::move(credentials->user),
                                                std::move(credentials->password), std::move(hash), known)};
}

AuthOutcome CBasicAuth::Conclude(const CPendingLogin& login, bool matched) {
    if (!matched || !login.KnownUser()) {
        return AuthOutcome::Refused;
    }
    m_granted[login.User()] = KeyedHash(login.User(), login.Password());
    return AuthOutcome::Granted;
}
