#include "ProcessFigures.h"

#include <dirent.h>
#include <unistd.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// Fields of /proc/<pid>/stat counted from 1; the command name (field 2) may itself hold blanks and
// parentheses, so counting starts after its last ')', with field 3.
constexpr std::size_t kFirstFieldAfterName = 3;
constexpr std::size_t kUserTimeField = 14;
constexpr std::size_t kSystemTimeField = 15;

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<std::uint64_t> ReadUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Entries of a /proc folder, without "." and ".."; for this process's own fd folder, without the
// descriptor that the listing itself holds open. -1 when the folder cannot be read.
int CountEntries(const std::string& folder, bool ownDescriptors) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return -1;
    }
    const std::string listingFd = std::to_string(dirfd(listing));
    int count = 0;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && !(ownDescriptors && name == listingFd)) {
            ++count;
        }
    }
    closedir(listing);
    return count;
}

} // namespace

std::optional<long> StatusFieldKb(const std::string& statusText, const std::string& name) {
    std::istringstream lines(statusText);
    std::string line;
    const std::string label = name + ":";
    while (std::getline(lines, line)) {
        if (line.compare(0, label.size(), label) != 0) {
            continue;
        }
        std::istringstream fields(line.substr(label.size()));
        std::string number, unit;
        fields >> number >> unit;
        const auto value = ReadUnsigned(number);
        if (!value || unit != "kB") {
            return std::nullopt;
        }
        return static_cast<long>(*value);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> CpuTicks(const std::string& statText) {
    const std::size_t nameEnd = statText.rfind(')');
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream words(statText.substr(nameEnd + 1));
    std::vector<std::string> fields;
    for (std::string word; fields.size() <= kSystemTimeField - kFirstFieldAfterName && words >> word;) {
        fields.push_back(word);
    }
    if (fields.size() <= kSystemTimeField - kFirstFieldAfterName) {
        return std::nullopt;
    }
    const auto user = ReadUnsigned(fields[kUserTimeField - kFirstFieldAfterName]);
    const auto system = ReadUnsigned(fields[kSystemTimeField - kFirstFieldAfterName]);
    if (!user || !system) {
        return std::nullopt;
    }
    return *user + *system;
}

std::optional<ProcessFigures> ReadProcessFigures(const std::string& pid) {
    const std::string folder = "/proc/" + pid;
    const auto stat = ReadWholeFile(folder + "/stat");
    const auto status = ReadWholeFile(folder + "/status");
    if (!stat || !status) {
        return std::nullopt;
    }
    const auto ticks = CpuTicks(*stat);
    const auto rss = StatusFieldKb(*status, "VmRSS");
    const auto hwm = StatusFieldKb(*status, "VmHWM");
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!ticks || !rss || !hwm || ticksPerSecond <= 0) {
        return std::nullopt;
    }
    ProcessFigures figures;
    figures.cpuSeconds = static_cast<double>(*ticks) / static_cast<double>(ticksPerSecond);
    figures.rssKb = *rss;
    figures.hwmKb = *hwm;
    figures.threads = CountEntries(folder + "/task", false);
    figures.descriptors = CountEntries(folder + "/fd", pid == "self");
    return figures;
}
