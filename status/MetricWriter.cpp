#include "MetricWriter.h"

#include <cstdio>

std::string LabelValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void CMetricWriter::Family(const char* name, const char* help, const char* type) {
    m_text += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

void CMetricWriter::Sample(const std::string& name, const std::string& labels, double value,
                           const char* format) {
    char number[64];
    std::snprintf(number, sizeof number, format, value);
    m_text += name + (labels.empty() ? std::string() : '{' + labels + '}') + ' ' + number + '\n';
}
