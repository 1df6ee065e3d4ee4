#include "MetricWriter.h"

#include "health/NumberText.h"

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
    m_text += name + (labels.empty() ? std::string() : '{' + labels + '}') + ' ' +
              FormatNumber(format, value) + '\n';
}
