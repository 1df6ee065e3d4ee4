// The journal: its lines, read back per device across rotated files, written by two windows at once,
// and a journal that cannot be written.
#include "devicelog/Journal.h"
#include "devicelog/JournalLine.h"
#include "devicelog/JournalReading.h"
#include "tests/support/Environment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kMicros = 1700000000123456;

// Every tenth one of an address change, which goes to the disk at once.
DeviceEvent Event(const std::string& address, int number) {
    return DeviceEvent{kMicros + number, address, number % 10 == 0 ? "address-change-sent" : "gps-lock-lost",
                       EventSeverity::Warning, "event " + std::to_string(number)};
}

// A folder of the test's own, removed with it.
class CJournalFolder {
public:
    CJournalFolder() {
        std::random_device seed;
        m_folder = fs::temp_directory_path() / ("vantrex-journal-" + std::to_string(seed()));
        fs::create_directories(m_folder);
    }
    ~CJournalFolder() {
        std::error_code ignored; // Left behind in the temporary folder at worst.
        fs::remove_all(m_folder, ignored);
    }
    CJournalFolder(const CJournalFolder&) = delete;
    CJournalFolder& operator=(const CJournalFolder&) = delete;

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }

private:
    fs::path m_folder;
};

TEST(JournalLine, ReadsBackWhatItWroteAndNothingDamaged) {
    const DeviceEvent event{kMicros, "10.0.0.5", "firmware-seen", EventSeverity::Info,
                            "Firmware version 1.0\x1b[2J\xff"};
    const std::string line = JournalLine(event);
    EXPECT_EQ(line, "{\"address\":\"10.0.0.5\",\"code\":\"firmware-seen\",\"micros\":1700000000123456,"
                    "\"severity\":\"info\",\"text\":\"Firmware version 1.0\\\\x1b[2J\\\\xff\","
                    "\"time\":\"2023-11-14T22:13:20.123456Z\"}\n");
    DeviceEvent expected = event;
    expected.text = "Firmware version 1.0\\x1b[2J\\xff";
    EXPECT_EQ(ParseJournalLine(std::string_view(line).substr(0, line.size() - 1)), expected);

    const std::string good = R"({"micros":1,"address":"a","code":"c","severity":"warning","text":"t")";
    const std::string damaged[] = {
        line.substr(0, line.size() / 2),
        "",
        "[1, 2]",
        good + ",\"x\":\"\xff\"}",
        R"({"micros":"1","address":"a","code":"c","severity":"warning","text":"t"})",
        R"({"micros":1.5,"address":"a","code":"c","severity":"warning","text":"t"})",
        R"({"micros":1,"address":"a","code":"c","severity":"grave","text":"t"})",
        R"({"micros":1,"address":"a","code":"c","severity":"warning"})",
        good + ",\"padding\":\"" + std::string(kLongestLine, 'x') + "\"}",
    };
    ASSERT_TRUE(ParseJournalLine(good + "}"));
    EXPECT_EQ(ParseJournalLine(line.substr(0, 30) + line.substr(0, line.size() - 1)), expected);
    for (const std::string& text : damaged) {
        EXPECT_FALSE(ParseJournalLine(text)) << text.substr(0, 80);
    }
}

TEST(JournalReading, ReadsBackWhatItWroteAndNoEventNorDamagedLine) {
    LogReading full;
    full.pcUnixMicros = kMicros;
    full.offsetSeconds = -0.25;
    full.uncertaintySeconds = 0.002F;
    full.peerOffsetSeconds = 0.001F;
    full.peerJitterSeconds = 0.0005F;
    full.gps = LampState::On;
    full.timeSync = LampState::Off;
    full.hasOffset = full.hasPeer = full.startsRun = true;
    LogReading bare;
    bare.pcUnixMicros = kMicros;
    for (const JournalReading& reading :
         {JournalReading{"10.0.0.5", full}, JournalReading{"10.0.0.6", bare}}) {
        const std::string line = JournalReadingLine(reading);
        EXPECT_EQ(ParseJournalReading(std::string_view(line).substr(0, line.size() - 1)), reading) << line;
        EXPECT_FALSE(ParseJournalLine(line)) << "an event's reader skips a reading";
        // After half a line a crash left.
        EXPECT_EQ(ParseJournalReading(line.substr(0, 30) + line.substr(0, line.size() - 1)), reading);
    }
    const std::string head =
        R"({"micros":1,"address":"a","reading":{"gps":"on","sync":"off","starts_run":false)";
    EXPECT_TRUE(ParseJournalReading(head + "}}"));
    for (const std::string& damaged :
         {head + R"(,"offset":1.0}})", head + R"(,"offset":"1","uncertainty":0}})",
          head + R"(,"peer_offset":1e300,"peer_jitter":0}})",
          std::string(
              R"({"micros":1,"address":"a","reading":{"gps":"lit","sync":"off","starts_run":false}})"),
          JournalLine(Event("10.0.0.5", 1))}) {
        EXPECT_FALSE(ParseJournalReading(damaged)) << damaged;
    }
}

TEST(Journal, ReadsBackOneDeviceAcrossItsRotatedFiles) {
    CJournalFolder folder;
    CJournal journal(folder.Path("journal.jsonl"), JournalLimits{.rotateBytes = 1000, .keptFiles = 3});
    std::vector<DeviceEvent> written;
    for (int number = 0; number < 60; ++number) {
        const DeviceEvent event = Event(number % 3 == 0 ? "10.0.0.6" : "10.0.0.5", number);
        ASSERT_EQ(journal.Append(event), std::nullopt);
        if (event.address == "10.0.0.5") {
            written.push_back(event);
        }
    }
    EXPECT_TRUE(fs::exists(folder.Path("journal.jsonl.3")));
    EXPECT_FALSE(fs::exists(folder.Path("journal.jsonl.4")));
    // A crash left half a line, and then the journal went on.
    std::ofstream(folder.Path("journal.jsonl"), std::ios::app) << "{\"micros\":17000";
    ASSERT_EQ(journal.Append(Event("10.0.0.5", 60)), std::nullopt);
    written.push_back(Event("10.0.0.5", 60));

    const std::vector<DeviceEvent> read = journal.ReadBack("10.0.0.5").events;
    // The oldest went with the oldest file; the rest come back in order.
    ASSERT_GT(read.size(), 5u);
    ASSERT_LT(read.size(), written.size() - 5);
    EXPECT_EQ(read, std::vector<DeviceEvent>(written.end() - static_cast<std::ptrdiff_t>(read.size()),
                                             written.end()));
}

TEST(Journal, TwoWritersAtOnceInterleaveWholeLines) {
    CJournalFolder folder;
    constexpr int kEach = 500;
    const auto writer = [&folder](const std::string& address) {
        CJournal journal(folder.Path("journal.jsonl"));
        for (int number = 0; number < kEach; ++number) {
            (void)journal.Append(Event(address, number)); // A failure shows as a missing event below.
        }
    };
    std::thread first(writer, "10.0.0.5");
    std::thread second(writer, "10.0.0.6");
    first.join();
    second.join();
    const CJournal journal(folder.Path("journal.jsonl"));
    EXPECT_EQ(journal.ReadBack("10.0.0.5").events.size(), static_cast<std::size_t>(kEach));
    EXPECT_EQ(journal.ReadBack("10.0.0.6").events.size(), static_cast<std::size_t>(kEach));
}

TEST(Journal, OneThatCannotBeWrittenWarnsOnce) {
    CJournalFolder folder;
    std::ofstream(folder.Path("file")) << "not a folder";
    fs::create_directory(folder.Path("folder"));
    for (const std::string& path : {folder.Path("file") + "/journal.jsonl", folder.Path("folder")}) {
        CJournal journal(path);
        const std::optional<std::string> warning = journal.Append(Event("10.0.0.5", 1));
        ASSERT_TRUE(warning) << path;
        EXPECT_NE(warning->find("cannot be kept on disk"), std::string::npos) << *warning;
        EXPECT_EQ(journal.Append(Event("10.0.0.5", 2)), std::nullopt) << path;
        EXPECT_TRUE(journal.ReadBack("10.0.0.5").events.empty());
    }
}

TEST(Journal, NeverWritesThroughALink) {
    CJournalFolder folder;
    std::ofstream(folder.Path("elsewhere")) << "kept\n";
    std::error_code linkError;
    fs::create_symlink(folder.Path("elsewhere"), folder.Path("journal.jsonl"), linkError);
    if (linkError) {
        GTEST_SKIP() << "no symbolic links here: " << linkError.message();
    }
    CJournal journal(folder.Path("journal.jsonl"));
    EXPECT_TRUE(journal.Append(Event("10.0.0.5", 1)));
    EXPECT_EQ(fs::file_size(folder.Path("elsewhere")), 5u);
}

TEST(Journal, TheUsersJournalIsInTheStateFolder) {
    CJournalFolder folder;
    const std::string base = folder.Path("state");
    SetTestEnvironment("XDG_STATE_HOME", base.c_str());
    SetTestEnvironment("LOCALAPPDATA", base.c_str());
    fs::create_directory(base);
    std::string warning;
    const std::optional<std::string> path = UserJournalPath(warning);
    ASSERT_TRUE(path) << warning;
    EXPECT_EQ(path->rfind(base, 0), 0u) << *path;
    EXPECT_EQ(fs::path(*path).filename(), "journal.jsonl");
    EXPECT_TRUE(fs::is_directory(fs::path(*path).parent_path()));
    SetTestEnvironment("XDG_STATE_HOME", nullptr);
    SetTestEnvironment("LOCALAPPDATA", nullptr);
}

} // namespace
