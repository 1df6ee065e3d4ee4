// A notification title of limited room: the address and the state come first, nothing is lost.
#include "ui/BalloonText.h"

#include <gtest/gtest.h>

namespace {

TEST(BalloonText, ATitleTooLongLosesItsCountToTheTextThenIsCutAtACharacter) {
    const struct {
        const char* name;
        std::size_t limit;
        const char* summary;
        const char* shortSummary;
        std::string title;
        std::string text;
    } cases[] = {
        {"fits", 30, "10.0.0.5: GPS lock lost", "", "10.0.0.5: GPS lock lost", "body"},
        {"the count goes to the text", 30, "10.0.0.5: GPS lock lost (12 changes in the last minute)",
         "10.0.0.5: GPS lock lost", "10.0.0.5: GPS lock lost",
         "10.0.0.5: GPS lock lost (12 changes in the last minute)\nbody"},
        {"cut, a character beyond the first plane taking two units", 6,
         "\xF0\x9F\x98\x80"
         "abcdefghij",
         "",
         "\xF0\x9F\x98\x80"
         "abc\xE2\x80\xA6",
         "\xF0\x9F\x98\x80"
         "abcdefghij\nbody"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Alarm alarm;
        alarm.summary = c.summary;
        alarm.shortSummary = c.shortSummary;
        alarm.body = "body";
        const BalloonText balloon = FitBalloon(alarm, c.limit);
        EXPECT_EQ(balloon.title, c.title);
        EXPECT_EQ(balloon.text, c.text);
    }
}

} // namespace
