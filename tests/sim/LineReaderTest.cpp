#include "sim/LineReader.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Byte strings with embedded NULs, without counting by hand.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

TEST(LineReader, SplitsAtLineFeedsAndDropsCarriageReturns) {
    CLineReader reader;
    EXPECT_EQ(reader.Feed("getdate\nntpq -p\r\nver"), (Lines{"getdate", "ntpq -p"}));
    EXPECT_EQ(reader.Feed("sion"), Lines{});
    EXPECT_EQ(reader.Feed("\n\n"), (Lines{"version", ""}));
}

TEST(LineReader, DropsTelnetCommandsEvenWhenSplitAcrossReceives) {
    CLineReader reader;
    // IAC DO ECHO, IAC NOP, then a command split after IAC and after the verb.
    EXPECT_EQ(reader.Feed(Bytes("\xff\xfd\x01ro\xff\xf1ot\xff")), Lines{});
    EXPECT_EQ(reader.Feed(Bytes("\xfb")), Lines{});
    EXPECT_EQ(reader.Feed(Bytes("\x18\n")), Lines{"root"});
}

TEST(LineReader, KeepsEscapedDataByteAndDropsSubnegotiation) {
    CLineReader reader;
    const std::string bytes = Bytes("a\xff\xff"
                                    "b\xff\xfa\x18\x00xterm\xff\xff\xff\xf0"
                                    "c\n");
    EXPECT_EQ(reader.Feed(bytes), Lines{std::string("a\xff"
                                                    "bc")});
}

TEST(LineReader, CutsOverlongLinesAndRecovers) {
    CLineReader reader;
    const Lines lines = reader.Feed(std::string(CLineReader::kMaxLineLength + 500, 'x') + "\nok\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), CLineReader::kMaxLineLength);
    EXPECT_EQ(lines[1], "ok");
}

} // namespace
