#include "exporter/BasicAuth.h"

#include <gtest/gtest.h>

namespace {

// htpasswd -nbBC 4: prom's password is "secret", other's "pass".
const std::map<std::string, std::string> kUsers = {
    {"prom", "$2y$04$h4GA8jw04u09RW2yfmZHee1LdU1drAY.x93F/8p01TkeKPfczpBgi"},
    {"other", "$2b$04$rh7BaLIacokmqW4ZC5MHDOL6JGeMhZsuzDrqDaA4BF6FflnfC586y"},
};

TEST(BasicAuth, ReadsTheAuthorizationHeader) {
    const struct {
        const char* value;
        const char* user; // nullptr: refused
        const char* password;
    } cases[] = {
        {"Basic cHJvbTpzZWNyZXQ=", "prom", "secret"},
        {"basic   cHJvbTpzZWNyZXQ=", "prom", "secret"},
        {"Basic YTpiOmM=", "a", "b:c"},       // a:b:c, the password holds a colon
        {"Basic OnNlY3JldA==", "", "secret"}, // :secret
        {"Bearer cHJvbTpzZWNyZXQ=", nullptr, nullptr},
        {"Basic cHJvbTpzZWNyZXQ", nullptr, nullptr},  // cut short
        {"Basic cHJvbXNlY3JldA==", nullptr, nullptr}, // no colon
        {"Basic cHJvbTpzZWMKcmV0", nullptr, nullptr}, // a line feed in the password
        {"Basic", nullptr, nullptr},
    };
    for (const auto& [value, user, password] : cases) {
        const std::optional<BasicCredentials> credentials = ParseBasicAuthorization(value);
        ASSERT_EQ(credentials.has_value(), user != nullptr) << value;
        if (credentials) {
            EXPECT_EQ(credentials->user, user) << value;
            EXPECT_EQ(credentials->password, password) << value;
        }
    }
}

// The outcome of one login, its bcrypt check run here when one is needed.
AuthOutcome LogIn(CBasicAuth& auth, std::optional<std::string_view> authorization) {
    AuthDecision decision = auth.Check(authorization);
    return decision.outcome == AuthOutcome::Pending
               ? auth.Conclude(*decision.login, decision.login->Matches())
               : decision.outcome;
}

TEST(BasicAuth, GrantsOnlyTheRightPasswordOfAKnownUser) {
    CBasicAuth auth(kUsers);
    EXPECT_EQ(LogIn(auth, "Basic cHJvbTpzZWNyZXQ="), AuthOutcome::Granted);     // prom:secret
    EXPECT_EQ(LogIn(auth, "Basic b3RoZXI6cGFzcw=="), AuthOutcome::Granted);     // other:pass ($2b$)
    EXPECT_EQ(LogIn(auth, "Basic cHJvbTpTZWNyZXQ="), AuthOutcome::Refused);     // prom:Secret
    EXPECT_EQ(LogIn(auth, "Basic c3RyYW5nZXI6c2VjcmV0"), AuthOutcome::Refused); // stranger:secret
    EXPECT_EQ(LogIn(auth, std::nullopt), AuthOutcome::Refused);
    EXPECT_EQ(CBasicAuth({}).Check(std::nullopt).outcome, AuthOutcome::Granted);
}

// Every password not granted before, an unknown name's included, waits for a bcrypt check, as a first
// grant does; a password once granted passes at once, so a flood of guesses never holds up the scraper.
TEST(BasicAuth, OnlyAGrantedPasswordPassesWithoutABcryptCheck) {
    CBasicAuth auth(kUsers);
    ASSERT_EQ(LogIn(auth, "Basic cHJvbTpzZWNyZXQ="), AuthOutcome::Granted);
    EXPECT_EQ(auth.Check("Basic cHJvbTpzZWNyZXQ=").outcome, AuthOutcome::Granted);
    for (const char* guess :
         {"Basic cHJvbTpTZWNyZXQ=", "Basic c3RyYW5nZXI6c2VjcmV0", "Basic b3RoZXI6cGFzcw=="}) {
        EXPECT_EQ(auth.Check(guess).outcome, AuthOutcome::Pending) << guess;
    }
    // An unknown name is refused even when its password matches the hash it was checked against.
    const AuthDecision stranger = auth.Check("Basic c3RyYW5nZXI6c2VjcmV0");
    EXPECT_EQ(auth.Conclude(*stranger.login, true), AuthOutcome::Refused);
    EXPECT_EQ(auth.Check("Basic c3RyYW5nZXI6c2VjcmV0").outcome, AuthOutcome::Pending);
}

} // namespace
