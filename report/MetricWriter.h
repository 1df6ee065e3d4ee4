#pragma once

#include <string>

// A Prometheus label value: backslash, quote and newline escaped, as the text format asks.
std::string LabelValue(const std::string& text);

// Builds a page in the Prometheus text format, family by family: HELP and TYPE, then its samples.
class CMetricWriter {
public:
    // type: "gauge", "counter" or "histogram".
    void Family(const char* name, const char* help, const char* type = "gauge");
    // labels as written between the braces (name="escaped value",...); empty for none.
    void Sample(const std::string& name, const std::string& labels, double value,
                const char* format = "%.9g");
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};
