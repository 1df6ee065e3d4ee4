#pragma once

#include "DeviceEvent.h"
#include "JournalReading.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How large the journal grows: past rotateBytes it becomes journal.jsonl.1, the one before .2, up to
// keptFiles old files; the oldest goes.
struct JournalLimits {
    std::uint64_t rotateBytes = 5 * 1024 * 1024;
    int keptFiles = 3;
};

// What the journal holds of one device, oldest first.
struct JournalContents {
    std::vector<DeviceEvent> events;
    std::vector<LogReading> readings;
};

// The device log's journal: every event one line of JSON (JournalLine), and the readings the log chose to
// keep (JournalReadingLine), appended by each window that runs, so that a device's earlier events and
// chart can be read back.
class CJournal {
public:
    // The most events ReadBack gives: the latest.
    static constexpr std::size_t kMostReadBack = 10000;
    // The most readings ReadBack gives: the latest; a day's at one a minute is far fewer.
    static constexpr std::size_t kMostReadingsBack = 24 * 3600;

    explicit CJournal(std::string path, JournalLimits limits = {});

    // Appends the event; an address change's events are on the disk before it returns (an audit trail
    // that a crash cannot lose). The journal is a help, never a reason to stop: a failure gives a
    // warning for the user the first time, and nothing while it goes on failing.
    std::optional<std::string> Append(const DeviceEvent& event);
    // Appends the reading, as an event that need not be on the disk at once.
    std::optional<std::string> Append(const JournalReading& reading);

    // The events and readings of the device at address, from the journal and its old files.
    JournalContents ReadBack(const std::string& address) const;

    const std::string& Path() const { return m_path; }

private:
    std::string OldFile(int number) const;
    bool Rotate(std::string& error) const;
    std::optional<std::string> AppendLine(const std::string& line, bool synced);
    void ReadBackFrom(const std::string& path, const std::string& address, JournalContents& into) const;

    std::string m_path;
    JournalLimits m_limits;
    bool m_failing = false;
};

// The journal of this user: journal.jsonl in the program's state folder (runtime/StateFiles.h). Nothing,
// with the warning for the user, when that folder cannot be found or made.
std::optional<std::string> UserJournalPath(std::string& warning);

// The warning for the user when the journal cannot be written, with the reason.
std::string JournalWarning(const std::string& reason);
