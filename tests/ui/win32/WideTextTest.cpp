// The UTF-16 cut that fills the fixed text fields of Windows' structures.
#include "ui/win32/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

TEST(WideText, CopyTruncatedFitsTheFieldAndNeverSplitsASurrogatePair) {
    // U+1F6F0 (a satellite) is the pair D83D DEF0.
    const struct {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {L"", L""},
        {L"GPS", L"GPS"},
        {L"GPS lock", L"GPS l"},
        {L"GPS l\xD83D\xDEF0", L"GPS l"},
        {L"GPS \xD83D\xDEF0", L"GPS "},
        {L"GP\xD83D\xDEF0", L"GP\xD83D\xDEF0"},
    };
    for (const auto& [text, expected] : cases) {
        wchar_t field[6];
        std::fill(std::begin(field), std::end(field), L'#');
        CopyTruncated(field, std::size(field), text);
        EXPECT_EQ(std::wstring(field), expected) << text.size() << " characters";
    }
}

} // namespace
