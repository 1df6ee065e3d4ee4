#include "exporter/BasicAuth.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

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

TEST(BasicAuth, GrantsOnlyTheRightPasswordOfAKnownUser) {
    CBasicAuth auth(kUsers);
    const auto now = CBasicAuth::Clock::now();
    EXPECT_EQ(auth.Check("Basic cHJvbTpzZWNyZXQ=", now), AuthOutcome::Granted);           // prom:secret
    EXPECT_EQ(auth.Check("Basic b3RoZXI6cGFzcw==", now + 10s), AuthOutcome::Granted);     // other:pass ($2b$)
    EXPECT_EQ(auth.Check("Basic cHJvbTpTZWNyZXQ=", now + 20s), AuthOutcome::Refused);     // prom:Secret
    EXPECT_EQ(auth.Check("Basic c3RyYW5nZXI6c2VjcmV0", now + 30s), AuthOutcome::Refused); // stranger:secret
    EXPECT_EQ(auth.Check(std::nullopt, now + 40s), AuthOutcome::Refused);
    EXPECT_EQ(CBasicAuth({}).Check(std::nullopt, now), AuthOutcome::Granted);
}

// Every refusal, unknown names included, spends one bcrypt check of the budget, as a grant does; a
// password already granted passes without one, so a flood of guesses never locks out the scraper.
TEST(BasicAuth, RefusalsCostABcryptCheckAndAFloodLeavesKnownPasswordsIn) {
    CBasicAuth auth(kUsers);
    const auto now = CBasicAuth::Clock::now();
    ASSERT_EQ(auth.Check("Basic cHJvbTpzZWNyZXQ=", now), AuthOutcome::Granted);
    for (int attempt = 1; attempt < CBasicAuth::kBurst; ++attempt) {
        EXPECT_EQ(auth.Check("Basic c3RyYW5nZXI6c2VjcmV0", now), AuthOutcome::Refused) << attempt;
    }
    EXPECT_EQ(auth.Check("Basic c3RyYW5nZXI6c2VjcmV0", now), AuthOutcome::Busy);
    EXPECT_EQ(auth.Check("Basic b3RoZXI6cGFzcw==", now), AuthOutcome::Busy); // not granted before
    EXPECT_EQ(auth.Check("Basic cHJvbTpzZWNyZXQ=", now), AuthOutcome::Granted);
    EXPECT_EQ(auth.Check("Basic b3RoZXI6cGFzcw==", now + 500ms), AuthOutcome::Granted);
}

} // namespace
