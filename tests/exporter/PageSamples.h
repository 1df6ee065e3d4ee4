#pragma once

#include <optional>
#include <string>

// The value of the sample that starts with series ("vantrex_up{address=\"127.0.180.2\"}") on page.
std::optional<double> SampleValue(const std::string& page, const std::string& series);
