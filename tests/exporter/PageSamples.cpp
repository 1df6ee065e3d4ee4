#include "PageSamples.h"

#include <sstream>

std::optional<double> SampleValue(const std::string& page, const std::string& series) {
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(series + ' ')) {
            return std::stod(line.substr(series.size() + 1));
        }
    }
    return std::nullopt;
}
