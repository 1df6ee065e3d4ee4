#include "ProcessMetrics.h"

#include "report/MetricWriter.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace {

constexpr std::size_t kLongestProcFile = 16 * 1024;
// The kernel reports CPU times in USER_HZ, 100 on every Linux architecture; asking sysconf would only
// repeat it.
constexpr double kTicksPerSecond = 100;

std::string ReadProcFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::string text(kLongestProcFile, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

std::optional<double> Number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end != text.data() ? std::optional<double>(value) : std::nullopt;
}

} // namespace

std::optional<double> StatCpuSeconds(std::string_view stat) {
    // The command name in parentheses may hold spaces and parentheses: the fields start after the last.
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string_view::npos) {
        return std::nullopt;
    }
    std::istringstream fields{std::string(stat.substr(nameEnd + 1))};
    std::string field;
    std::optional<double> user;
    // After the name: state is field 3 of the whole line, utime 14 and stime 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) {
            user = Number(field);
        } else if (index == 15) {
            const std::optional<double> system = Number(field);
            return user && system ? std::optional<double>((*user + *system) / kTicksPerSecond) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<double> StatusBytes(std::string_view status, std::string_view key) {
    std::istringstream lines{std::string(status)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        std::string value;
        std::string unit;
        if (fields >> name >> value >> unit && name == key) {
            const std::optional<double> kilobytes = Number(value);
            return kilobytes && unit == "kB" ? std::optional<double>(*kilobytes * 1024) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<double> LimitsMaxOpenFiles(std::string_view limits) {
    constexpr std::string_view kName = "Max open files";
    const std::size_t line = limits.find(kName);
    if (line == std::string_view::npos) {
        return std::nullopt;
    }
    std::istringstream fields{std::string(limits.substr(line + kName.size()))};
    std::string soft;
    return fields >> soft ? Number(soft) : std::nullopt;
}

ProcessReading ReadProcess() {
    const std::string status = ReadProcFile("/proc/self/status");
    ProcessReading reading;
    reading.cpuSeconds = StatCpuSeconds(ReadProcFile("/proc/self/stat"));
    reading.residentBytes = StatusBytes(status, "VmRSS:");
    reading.virtualBytes = StatusBytes(status, "VmSize:");
    reading.maxDescriptors = LimitsMaxOpenFiles(ReadProcFile("/proc/self/limits"));
    return reading;
}

std::string FormatProcessMetrics(const ProcessReading& reading, double startSeconds) {
    CMetricWriter writer;
    const auto family = [&writer](const char* name, const char* help, const char* type,
                                  const std::optional<double>& value) {
        if (value) {
            writer.Family(name, help, type);
            writer.Sample(name, "", *value, "%.17g");
        }
    };
    family("process_cpu_seconds_total", "Total user and system CPU time spent in seconds.", "counter",
           reading.cpuSeconds);
    family("process_resident_memory_bytes", "Resident memory size in bytes.", "gauge", reading.residentBytes);
    family("process_virtual_memory_bytes", "Virtual memory size in bytes.", "gauge", reading.virtualBytes);
    family("process_open_fds", "Number of open file descriptors.", "gauge", reading.openDescriptors);
    family("process_max_fds", "Maximum number of open file descriptors.", "gauge", reading.maxDescriptors);
    family("process_start_time_seconds", "Start time of the process since unix epoch in seconds.", "gauge",
           startSeconds);
    return writer.Text();
}
