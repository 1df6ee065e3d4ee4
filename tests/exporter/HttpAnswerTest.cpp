// How an answer's head announces the connection.
#include "exporter/HttpAnswer.h"

#include <gtest/gtest.h>

namespace {

struct AnnounceCase {
    bool keepAlive;
    bool http10;
    const char* connection; // the Connection field, or "" for none
};

// An HTTP/1.0 client closes unless told the connection stays; an HTTP/1.1 one keeps it unless told not.
TEST(HttpAnswerTest, AnnouncesTheConnectionAsTheClientNeedsIt) {
    for (const AnnounceCase& c : {AnnounceCase{true, false, ""}, AnnounceCase{true, true, "keep-alive"},
                                  AnnounceCase{false, false, "close"}, AnnounceCase{false, true, "close"}}) {
        const std::string head = AnswerHead(TextAnswer(200, "OK"), c.keepAlive, c.http10);
        const std::size_t at = head.find("Connection: ");
        const std::string field =
            at == std::string::npos ? "" : head.substr(at + 12, head.find('\r', at) - at - 12);
        EXPECT_EQ(field, c.connection) << head;
    }
}

} // namespace
