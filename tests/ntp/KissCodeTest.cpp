#include "ntp/KissCode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(KissCode, StratumZeroAnswersFailWithTheirCode) {
    struct Case {
        std::uint8_t stratum;
        std::uint32_t referenceId;
        std::optional<std::string> failure;
    };
    const std::vector<Case> cases = {
        {1, 0x47505300u, std::nullopt}, // "GPS": a time to use
        {0, 0x52415445u, "kiss code RATE (rate exceeded)"},
        {0, 0x44454E59u, "kiss code DENY (access denied)"},
        {0, 0x52535452u, "kiss code RSTR (access denied by policy)"},
        {0, 0x58590000u, "kiss code XY"},
        {0, 0x7C3B0A00u, "kiss-o'-death without a code"}, // "|;\n": nothing fit for a report line
    };
    for (const Case& c : cases) {
        SntpPacket answer;
        answer.stratum = c.stratum;
        answer.referenceId = c.referenceId;
        EXPECT_EQ(KissOfDeath(answer), c.failure) << std::hex << c.referenceId;
    }
}

} // namespace
