#include "link/TelnetFilter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace {

using namespace std::string_literals;

// Received bytes and the data they carry once their telnet commands are skipped.
struct FilterCase {
    const char* name;
    std::string bytes;
    std::string data;
};

void PrintTo(const FilterCase& row, std::ostream* out) {
    *out << row.name;
}

class TelnetFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(TelnetFilterTest, SkipsEachCommandByItsLengthWhereverTheBlocksAreCut) {
    const FilterCase& row = GetParam();
    for (std::size_t cut = 0; cut <= row.bytes.size(); ++cut) {
        CTelnetFilter filter;
        std::string data;
        for (const std::string_view block :
             {std::string_view(row.bytes).substr(0, cut), std::string_view(row.bytes).substr(cut)}) {
            for (const char c : block) {
                if (const std::optional<char> taken = filter.Take(static_cast<unsigned char>(c))) {
                    data += *taken;
                }
            }
        }
        EXPECT_EQ(data, row.data) << "cut after byte " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, TelnetFilterTest,
    ::testing::Values(
        FilterCase{"PlainText", "abc\r\0# "s, "abc\r\0# "s},
        FilterCase{"GoAheadIsTwoBytes", "\xff\xf9# "s, "# "},
        FilterCase{"NopIsTwoBytes", "\xff\xf1picotux login: "s, "picotux login: "},
        FilterCase{"AreYouThereIsTwoBytes",
                   "a\xff\xf6"
                   "b"s,
                   "ab"},
        FilterCase{"UnknownCommandIsTwoBytes",
                   "a\xff\x41"
                   "b"s,
                   "ab"},
        FilterCase{"OptionVerbsAreThreeBytes", "\xff\xfb\x01\xff\xfc\x03\xff\xfd\x18\xff\xfe\x1fok"s, "ok"},
        FilterCase{"EscapedIacIsOneDataByte", "2.4\xff\xff.1"s, "2.4\xff.1"s},
        FilterCase{"SubnegotiationIsSkippedWhole", "\xff\xfa\x18\x01\xff\xf0picotux login: "s,
                   "picotux login: "},
        FilterCase{"OnlyIacSeEndsASubnegotiation",
                   "\xff\xfa\x18\x00"
                   "a\xff\xff\xf0"
                   "b\xff\x41"
                   "c\xff\xf0ok"s,
                   "ok"},
        // A hostile device's long subnegotiation hides no prompt, however long, nor does an unended one.
        FilterCase{"ALongSubnegotiationLeaksNothing", "\xff\xfa"s + std::string(5000, 'x') + "# \xff\xf0ok",
                   "ok"},
        FilterCase{"AnUnendedSubnegotiationLeaksNothing", "\xff\xfa"s + std::string(5000, 'x') + "# ", ""}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

} // namespace
