#include "report/RecordFormat.h"

#include <gtest/gtest.h>

namespace {

// The formats show a device's text through DeviceText, then escape it for their own syntax (JSON in
// RecordFormat.JsonKeepsAnyFirmwareTextReadable).
TEST(DeviceTextInFormats, LineAndPrometheusShowTheFirmwareEscaped) {
    AssessedRecord assessed;
    assessed.record.address = "127.0.9.1";
    assessed.record.reachable = true;
    assessed.record.link = "shell";
    assessed.record.firmware = "\x1b[2J\"Malm\xc3";
    const std::string shown = "\\x1b[2J\"Malm\\xc3";
    EXPECT_NE(FormatLine(assessed).find(" " + shown + " "), std::string::npos) << FormatLine(assessed);
    EXPECT_NE(FormatPrometheus({assessed}).find(R"(firmware="\\x1b[2J\"Malm\\xc3"} 1)"), std::string::npos)
        << FormatPrometheus({assessed});
}

} // namespace
