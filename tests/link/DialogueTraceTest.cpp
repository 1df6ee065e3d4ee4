// The dialogue as the debug output shows it: a line for each line, labelled, escaped.
#include "link/DialogueTrace.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogueTrace, EachLineLabelledWithTheLinkAndDirectionAndEscaped) {
    const struct {
        const char* name;
        char direction;
        std::string_view text;
        const char* trace;
    } cases[] = {
        {"a command", '>', "getdate\n", "127.0.0.9 shell > getdate\n"},
        {"an answer up to its prompt", '<', "getdate\r\n1700000000.000001 A\r\n# ",
         "127.0.0.9 shell < getdate\n127.0.0.9 shell < 1700000000.000001 A\n127.0.0.9 shell < # \n"},
        {"a title sequence and bytes that are not UTF-8", '<', "\x1b]0;owned\x07\xff\r\n",
         "127.0.0.9 shell < \\x1b]0;owned\\x07\\xff\n"},
        {"nothing but line ends", '<', "\r\n\r\n", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DialogueTrace("127.0.0.9 shell", c.direction, c.text), c.trace) << c.name;
    }
}

} // namespace
