#pragma once

#include "runtime/Lock.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// A user name and password from an Authorization header's value ("Basic " and base64 of name:password);
// none when it is not that, or not bounded, or holds a NUL or control character.
struct BasicCredentials {
    std::string user;
    std::string password;
};
std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view value);

enum class AuthOutcome {
    Granted,
    Refused, // 401
    Busy,    // 503: too many password checks of late; a known good password still passes
};

// The basic_auth_users of one web configuration. Passwords are checked with bcrypt (libxcrypt), whose
// result is compared in constant time; a login for an unknown name runs one bcrypt check all the same,
// so that a refusal costs what a grant does and tells no one which names exist. A bcrypt check of cost
// 10 takes about 0.1 s on the server's one thread, so a good password is remembered (as a keyed hash
// under a secret of this process, never as text) and later logins with it pass at once, and bcrypt runs
// at most kChecksPerSecond a second (bursts of kBurst): a flood of guesses cannot hold the server, and
// is answered 503 while it lasts. Thread-safe.
class CBasicAuth {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr double kChecksPerSecond = 2;
    static constexpr double kBurst = 4;

    // users: name to bcrypt hash, as ParseWebConfig checked them; none: every request passes.
    explicit CBasicAuth(std::map<std::string, std::string> users);

    bool Required() const { return !m_users.empty(); }
    std::size_t Users() const { return m_users.size(); }
    // authorization: the request's Authorization header, none when it sent none.
    AuthOutcome Check(std::optional<std::string_view> authorization, Clock::time_point now);

private:
    using Mac = std::array<unsigned char, 32>;
    Mac KeyedHash(const BasicCredentials& credentials) const;
    bool TakeCheck(Clock::time_point now);

    const std::map<std::string, std::string> m_users;
    std::array<unsigned char, 32> m_secret{};
    CLock m_lock;
    std::map<std::string, Mac> m_granted; // by user: the keyed hash of the password last granted
    double m_checksLeft = kBurst;
    Clock::time_point m_refilled{};
};
