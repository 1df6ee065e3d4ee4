#include "devicetext/DeviceText.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* name;
    std::string sent;
    std::string shown;
};

class DeviceTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DeviceTextTest, ShowsOnlyValidUtf8ThatActsOnNothing) {
    EXPECT_EQ(DeviceText(GetParam().sent), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DeviceTextTest,
    ::testing::Values(TextCase{"Plain", "2.4.1 \"rc\" \\ 9", "2.4.1 \"rc\" \\ 9"},
                      TextCase{"ValidUtf8Kept", "Malm\xc3\xb6 \xe2\x82\xac \xf0\x9f\x95\x92",
                               "Malm\xc3\xb6 \xe2\x82\xac \xf0\x9f\x95\x92"},
                      TextCase{"TerminalTitleAndClear", "\x1b]0;owned\x07\x1b[2J",
                               "\\x1b]0;owned\\x07\\x1b[2J"},
                      TextCase{"BackspaceNulDelAndNewline", std::string("ok\b\b\0\x7f\n", 7),
                               "ok\\x08\\x08\\x00\\x7f\\x0a"},
                      TextCase{"C1EncodedIsCsi",
                               "a\xc2\x9b"
                               "2J",
                               "a\\u009b2J"},
                      TextCase{"RawC1ByteIsNoUtf8",
                               "a\x9b"
                               "2J",
                               "a\\x9b2J"},
                      TextCase{"BidiOverrideAndIsolate",
                               "1\xe2\x80\xae"
                               "2\xe2\x81\xa6"
                               "3\xe2\x81\xa9",
                               "1\\u202e2\\u20663\\u2069"},
                      TextCase{"InvisibleAndLineSeparators",
                               "a\xe2\x80\x8b"
                               "b\xe2\x80\xa8"
                               "c\xef\xbb\xbf",
                               "a\\u200bb\\u2028c\\ufeff"},
                      TextCase{"CutInsideACharacter", "2.4.1-rc10-Malm\xc3", "2.4.1-rc10-Malm\\xc3"},
                      TextCase{"CutThreeByteCharacter", "x\xe2\x82", "x\\xe2\\x82"},
                      TextCase{"OverlongSlash", "\xc0\xaf", "\\xc0\\xaf"},
                      TextCase{"Surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
                      TextCase{"BeyondUnicode", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
                      TextCase{"StrayContinuationThenValid", "\x80\xc3\xa4", "\\x80\xc3\xa4"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

} // namespace
