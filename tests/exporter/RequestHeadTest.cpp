// The request head reader and the request target, fed bytes without sockets.
#include "exporter/RequestHead.h"
#include "exporter/RequestTarget.h"

#include <gtest/gtest.h>

namespace {

struct HeadCase {
    const char* name;
    std::string bytes;
    HeadProgress progress;
    int refusal = 0;
};

class RequestHeadTest : public ::testing::TestWithParam<HeadCase> {};

// Whole, and a byte at a time: the same outcome.
TEST_P(RequestHeadTest, ReadsOrRefusesTheHead) {
    const HeadCase& c = GetParam();
    CRequestReader whole;
    EXPECT_EQ(whole.Feed(c.bytes), c.progress);
    CRequestReader trickled;
    for (const char byte : c.bytes) {
        if (trickled.Feed(std::string_view(&byte, 1)) != HeadProgress::Incomplete) {
            break;
        }
    }
    EXPECT_EQ(trickled.Progress(), c.progress);
    EXPECT_EQ(whole.RefusalStatus(), c.refusal) << whole.RefusalReason();
    EXPECT_EQ(trickled.RefusalStatus(), c.refusal);
}

const std::string kGet = "GET /metrics HTTP/1.1\r\nHost: a\r\n";

INSTANTIATE_TEST_SUITE_P(
    Heads, RequestHeadTest,
    ::testing::Values(
        HeadCase{"Complete", kGet + "\r\n", HeadProgress::Complete},
        HeadCase{"BareLineFeeds", "GET / HTTP/1.0\nHost: a\n\n", HeadProgress::Complete},
        HeadCase{"BlankLinesBefore", "\r\n\r\n" + kGet + "\r\n", HeadProgress::Complete},
        HeadCase{"NotEnded", kGet, HeadProgress::Incomplete},
        HeadCase{"LongRequestLine", "GET /" + std::string(9000, 'a'), HeadProgress::Refused, 414},
        HeadCase{"LongHeadInManyLines", kGet + std::string(2000, 'X') + ": y\r\n" + std::string(15000, 'a'),
                 HeadProgress::Refused, 431},
        HeadCase{"TooManyFields",
                 [] {
                     std::string head = kGet;
                     for (int index = 0; index < 101; ++index) {
                         head += "X-" + std::to_string(index) + ": y\r\n";
                     }
                     return head + "\r\n";
                 }(),
                 HeadProgress::Refused, 431},
        HeadCase{"FoldedField", kGet + " folded\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"SpaceBeforeColon", "GET / HTTP/1.1\r\nHost : a\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"ControlInValue", "GET / HTTP/1.1\r\nX: a\x01\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"TwoWordsOnly", "GET /\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"SpaceInTarget", "GET /a b HTTP/1.1\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"HttpTwo", "GET / HTTP/2.0\r\n\r\n", HeadProgress::Refused, 505},
        // A body's length given twice or two ways: one party would read the rest as the next request.
        HeadCase{"TwoLengths", kGet + "Content-Length: 0\r\nContent-Length: 60\r\n\r\n",
                 HeadProgress::Refused, 400},
        HeadCase{"LengthList", kGet + "Content-Length: 0, 60\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"SignedLength", kGet + "Content-Length: +0\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"LengthAndChunked", kGet + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n",
                 HeadProgress::Refused, 400},
        HeadCase{"ChunkedInHttp10", "GET / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n",
                 HeadProgress::Refused, 400},
        HeadCase{"NoHost", "GET / HTTP/1.1\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"TwoHosts", kGet + "Host: b\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"HostWithSlash", "GET / HTTP/1.1\r\nHost: a/b\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"HostWithLetterPort", "GET / HTTP/1.1\r\nHost: a:9x\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"HostLiteralUnclosed", "GET / HTTP/1.1\r\nHost: [::1\r\n\r\n", HeadProgress::Refused, 400},
        HeadCase{"HostLiteralAndPort", "GET / HTTP/1.1\r\nHost: [::1]:9716\r\n\r\n", HeadProgress::Complete},
        HeadCase{"HostEmpty", "GET / HTTP/1.1\r\nHost:\r\n\r\n", HeadProgress::Complete},
        HeadCase{"Http10WithoutHost", "GET / HTTP/1.0\r\n\r\n", HeadProgress::Complete}),
    [](const ::testing::TestParamInfo<HeadCase>& info) { return std::string(info.param.name); });

TEST(RequestHeadTest, KeepsWhatFollowsForTheNextRequest) {
    CRequestReader reader;
    ASSERT_EQ(reader.Feed(kGet + "Connection: close\r\n\r\nGET /probe?target=1 HTTP/1.0\r\n"),
              HeadProgress::Complete);
    EXPECT_EQ(reader.Head().method, "GET");
    EXPECT_EQ(reader.Head().target, "/metrics");
    EXPECT_EQ(reader.Head().Field("host"), "a");
    EXPECT_FALSE(reader.Head().KeepsAlive());
    EXPECT_EQ(reader.Pending(), 30u);
    EXPECT_EQ(reader.Next(), HeadProgress::Incomplete);
    EXPECT_TRUE(reader.HasStarted());
    ASSERT_EQ(reader.Feed("Connection: keep-alive\r\n\r\n"), HeadProgress::Complete);
    EXPECT_EQ(reader.Head().target, "/probe?target=1");
    EXPECT_TRUE(reader.Head().KeepsAlive());
}

struct FieldCase {
    const char* name;
    std::string fields;
    bool gzip;
    bool body;
};

class RequestFieldsTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(RequestFieldsTest, ReadsEncodingAndBody) {
    CRequestReader reader;
    ASSERT_EQ(reader.Feed(kGet + GetParam().fields + "\r\n"), HeadProgress::Complete);
    EXPECT_EQ(reader.Head().AcceptsGzip(), GetParam().gzip);
    EXPECT_EQ(reader.Head().HasBody(), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RequestFieldsTest,
    ::testing::Values(FieldCase{"None", "", false, false},
                      FieldCase{"PrometheusAsks", "Accept-Encoding: gzip\r\n", true, false},
                      FieldCase{"AmongOthers", "Accept-Encoding: br, GZip;q=0.5\r\n", true, false},
                      FieldCase{"RefusedByWeight", "Accept-Encoding: gzip;q=0, identity\r\n", false, false},
                      FieldCase{"Length", "Content-Length: 3\r\n", false, true},
                      FieldCase{"ZeroLength", "Content-Length: 0\r\n", false, false},
                      FieldCase{"Chunked", "Transfer-Encoding: chunked\r\n", false, true}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

TEST(RequestTargetTest, SplitsAndDecodesTheQuery) {
    const std::optional<RequestTarget> target =
        ParseRequestTarget("/probe?target=127.0.0.%31&&x+y=a%2Bb&flag");
    ASSERT_TRUE(target);
    EXPECT_EQ(target->path, "/probe");
    const std::multimap<std::string, std::string> expected{
        {"target", "127.0.0.1"}, {"x y", "a+b"}, {"flag", ""}};
    EXPECT_EQ(target->parameters, expected);
}

// A request to a proxy names the whole address; a server takes it as its own (RFC 9112 section 3.2.2).
TEST(RequestTargetTest, TakesTheAbsoluteForm) {
    const std::optional<RequestTarget> probe = ParseRequestTarget("HTTP://[::1]:9716/probe?target=x");
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->path, "/probe");
    EXPECT_EQ(probe->parameters.count("target"), 1u);
    EXPECT_EQ(ParseRequestTarget("http://host")->path, "/");
}

TEST(RequestTargetTest, RefusesOtherFormsAndBrokenEscapes) {
    for (const char* target :
         {"*", "host:9716", "ftp://host/metrics", "/probe?target=%4", "/probe?target=%zz"}) {
        EXPECT_FALSE(ParseRequestTarget(target)) << target;
    }
}

} // namespace
