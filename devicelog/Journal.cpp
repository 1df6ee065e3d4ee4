#include "Journal.h"

#include "EventDerivation.h"
#include "JournalLine.h"

#include "resources/StringLookup.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "runtime/StateFiles.h"

#include <cstddef>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kJournalName = "journal.jsonl";

template <typename Item>
void KeepLatest(std::vector<Item>& items, std::size_t most) {
    if (items.size() > most) {
        items.erase(items.begin(), items.end() - static_cast<std::ptrdiff_t>(most));
    }
}

} // namespace

CJournal::CJournal(std::string path, JournalLimits limits) : m_path(std::move(path)), m_limits(limits) {}

std::optional<std::string> CJournal::Append(const DeviceEvent& event) {
    return AppendLine(JournalLine(event), IsAddressChangeEvent(event));
}

std::optional<std::string> CJournal::Append(const JournalReading& reading) {
    return AppendLine(JournalReadingLine(reading), false);
}

std::optional<std::string> CJournal::AppendLine(const std::string& line, bool synced) {
    std::uint64_t size = 0;
    std::string error;
    const bool written =
        AppendToFile(m_path, line, synced, size, error) && (size < m_limits.rotateBytes || Rotate(error));
    const bool wasFailing = std::exchange(m_failing, !written);
    if (written || wasFailing) {
        return std::nullopt;
    }
    return JournalWarning(error);
}

JournalContents CJournal::ReadBack(const std::string& address) const {
    JournalContents contents;
    for (int number = m_limits.keptFiles; number > 0; --number) {
        ReadBackFrom(OldFile(number), address, contents);
    }
    ReadBackFrom(m_path, address, contents);
    return contents;
}

std::string CJournal::OldFile(int number) const {
    return m_path + '.' + std::to_string(number);
}

// Two windows may both find the journal full and both rotate; the second then moves the first's fresh
// journal along with the old files, which loses nothing but the order of one rotation.
bool CJournal::Rotate(std::string& error) const {
    for (int number = m_limits.keptFiles; number > 1; --number) {
        if (!RenameFile(OldFile(number - 1), OldFile(number), error)) {
            return false;
        }
    }
    return m_limits.keptFiles < 1 || RenameFile(m_path, OldFile(1), error);
}

void CJournal::ReadBackFrom(const std::string& path, const std::string& address,
                            JournalContents& into) const {
    // A file that others keep appending to may have grown past the limit; its latest lines count.
    const std::uint64_t readable = m_limits.rotateBytes + kLongestLine;
    std::string contents;
    std::string error;
    if (!ReadFileTail(path, readable, contents, error)) {
        return; // Reading back is a help too: a file that cannot be read has no events to give.
    }
    std::string_view rest = contents;
    if (contents.size() == readable) {
        // Read from within a line: its end is no event.
        const std::size_t end = rest.find('\n');
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (std::optional<DeviceEvent> event = ParseJournalLine(line)) {
            if (event->address == address) {
                into.events.push_back(std::move(*event));
            }
        } else if (std::optional<JournalReading> reading = ParseJournalReading(line)) {
            if (reading->address == address) {
                into.readings.push_back(reading->reading);
            }
        }
    }
    KeepLatest(into.events, kMostReadBack);
    KeepLatest(into.readings, kMostReadingsBack);
}

std::optional<std::string> UserJournalPath(std::string& warning) {
    std::string folder;
    std::string error;
    if (!ProgramStateFolder(folder, error)) {
        warning = JournalWarning(error);
        return std::nullopt;
    }
    return PathInFolder(folder, kJournalName);
}

std::string JournalWarning(const std::string& reason) {
    return FillIn(LoadStringResource(IDS_LOG_JOURNAL_UNWRITABLE), {reason});
}
