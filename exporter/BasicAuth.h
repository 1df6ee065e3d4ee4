#pragma once

#include <array>
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

// A login that only a bcrypt check can decide: what the check needs, copied, so that it runs on any
// thread (CPasswordChecks runs it off the loop) while the login waits.
class CPendingLogin {
public:
    CPendingLogin(std::string user, std::string password, std::string hash, bool knownUser);
    // bcrypt of the password against the hash, compared in constant time; about 0.1 s at cost 10.
    bool Matches() const;
    const std::string& User() const { return m_user; }
    const std::string& Password() const { return m_password; }
    bool KnownUser() const { return m_knownUser; }

private:
    std::string m_user;
    std::string m_password;
    std::string m_hash;
    bool m_knownUser;
};

enum class AuthOutcome {
    Granted,
    Refused, // 401
    Pending, // a bcrypt check must decide (the login given with it)
};

struct AuthDecision {
    AuthOutcome outcome;
    std::optional<CPendingLogin> login; // when Pending
};

// The basic_auth_users of one web configuration. Passwords are checked with bcrypt (libxcrypt), whose
// result is compared in constant time; a login for an unknown name is checked against a real hash all the
// same, so that a refusal costs what a grant does and tells no one which names exist. A good password is
// remembered (as a keyed hash under a secret of this process, never as text), and later logins with it
// pass at once, without bcrypt: a flood of guesses, which only bcrypt can answer, never holds up a scraper
// once granted. Used on one thread (the loop's); only CPendingLogin::Matches runs elsewhere.
class CBasicAuth {
public:
    // users: name to bcrypt hash, as ParseWebConfig checked them; none: every request passes.
    explicit CBasicAuth(std::map<std::string, std::string> users);

    bool Required() const { return !m_users.empty(); }
    std::size_t Users() const { return m_users.size(); }
    // authorization: the request's Authorization header, none when it sent none. Granted or Refused at once
    // when no bcrypt check is needed; else Pending, and Conclude says once the check has.
    AuthDecision Check(std::optional<std::string_view> authorization) const;
    // The outcome of a pending login whose check gave matched; a grant is remembered.
    AuthOutcome Conclude(const CPendingLogin& login, bool matched);

private:
    using Mac = std::array<unsigned char, 32>;
    Mac KeyedHash(const std::string& user, const std::string& password) const;

    const std::map<std::string, std::string> m_users;
    std::array<unsigned char, 32> m_secret{};
    std::map<std::string, Mac> m_granted; // by user: the keyed hash of the password last granted
};
