// The device's answers window without a display: the rows an exchange makes, escaped and marked when
// unreadable, the peer table and the two NTP lines, the refresh that shows only what changed, and the
// copy of everything shown.
#include "ui/AnswersDlgLogic.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kAnsweredAt = 1700000000'250000; // 2023-11-14T22:13:20.25Z

DeviceExchange Exchange(std::string command, std::string answer, ExchangeReader reader) {
    DeviceExchange exchange;
    exchange.sentPcMicros = kAnsweredAt - 42'000;
    exchange.answeredPcMicros = kAnsweredAt;
    exchange.command = std::move(command);
    exchange.answer = std::move(answer);
    exchange.reader = reader;
    return exchange;
}

DeviceExchange LockedGetdate() {
    DeviceExchange exchange =
        Exchange("getdate\n", "getdate\r\n1700000000.250000 A\r\n# ", ExchangeReader::Getdate);
    exchange.clock = DeviceClockReading{1700000000, 250000, 'A'};
    return exchange;
}

PeerTable Peers() {
    NtpPeer gps;
    gps.tally = '*';
    gps.remote = "GPS_NMEA(0)";
    gps.refid = ".GPS.";
    gps.stratum = 0;
    gps.type = 'l';
    gps.reach = 0377;
    gps.offsetMs = 0.002;
    gps.delayMs = 0.5;
    NtpPeer local;
    local.tally = 'x';
    local.remote = "LOCAL(0)";
    local.refid = ".LOCL.";
    return {{gps, local}, 0};
}

TEST(AnswerRows, AnExchangeShowsItsTimeCommandReadingAndAnswerEscaped) {
    const ExchangeRow row = MakeExchangeRow(LockedGetdate(), 3600);
    EXPECT_EQ(row.time, "23:13:20.250");
    EXPECT_EQ(row.took, "42 ms");
    EXPECT_EQ(row.command, "getdate");
    EXPECT_EQ(row.read, "Device time 2023-11-14T22:13:20.250000Z, GPS locked");
    EXPECT_EQ(row.answer, "getdate\\x0d\\x0a1700000000.250000 A\\x0d\\x0a# ");
}

TEST(AnswerRows, ReadingsSayWhatWasFoundOrThatNothingWas) {
    struct Case {
        const char* name;
        DeviceExchange exchange;
        std::string command;
        std::string read;
    };
    DeviceExchange version = Exchange("version\n", "version\r\nVX-1\r\n# ", ExchangeReader::Version);
    version.version = "VX-1";
    DeviceExchange peers = Exchange("ntpq -p\n", "...", ExchangeReader::PeerTable);
    peers.peers = Peers();
    DeviceExchange unlocked = LockedGetdate();
    unlocked.clock->status = 'V';
    DeviceExchange password = Exchange("", "\r\n# ", ExchangeReader::None);
    password.commandHidden = true;
    DeviceExchange greeting = Exchange("", "picotux login: ", ExchangeReader::None);
    greeting.sentPcMicros = 0;
    const Case cases[] = {
        {"Version", version, "version", "Version VX-1"},
        {"Peers with their tally codes", peers, "ntpq -p", "2 peers: *GPS_NMEA(0), xLOCAL(0)"},
        {"GPS not locked", unlocked, "getdate",
         "Device time 2023-11-14T22:13:20.250000Z, GPS not locked (status V)"},
        {"Unreadable", Exchange("getdate\n", "getdate\r\nSegmentation fault\r\n# ", ExchangeReader::Getdate),
         "getdate", "Unreadable: nothing could be read from it"},
        {"Password", password, "(the password)", ""},
        {"Greeting", greeting, "(connected)", ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const ExchangeRow row = MakeExchangeRow(test.exchange, 0);
        EXPECT_EQ(row.command, test.command);
        EXPECT_EQ(row.read, test.read);
    }
    EXPECT_EQ(MakeExchangeRow(greeting, 0).took, "");
}

TEST(AnswerRows, AnAnswerShowsAsLinesWithEveryControlByteAndBadByteEscaped) {
    DeviceExchange exchange = Exchange("getdate\n", "a\x1b[2J\r\n\xff\r\n# ", ExchangeReader::Getdate);
    exchange.answerCut = true;
    EXPECT_EQ(AnswerLines(exchange), "a\\x1b[2J\\x0d\\x0a\n\\xff\\x0d\\x0a\n# \n"
                                     "(cut: the answer was longer than 4096 bytes)");
    EXPECT_EQ(MakeExchangeRow(exchange, 0).answer, "a\\x1b[2J\\x0d\\x0a\\xff\\x0d\\x0a# \u2026");
}

TEST(AnswerRows, ThePeerTableAndTheTwoViewsOfTheDevicesTime) {
    const std::vector<ListRow> rows = PeerRows(Peers());
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0], (ListRow{"*", "system peer", "GPS_NMEA(0)", ".GPS.", "0", "l", "-", "0", "377",
                                "0.500", "0.002", "0.000"}));
    EXPECT_EQ(rows[1][1], "falseticker");

    EXPECT_EQ(DeviceNtpText(Peers()),
              "The device's claim: synchronised to GPS_NMEA(0) (reference .GPS., stratum "
              "0), offset +0.002 ms, delay 0.500 ms, jitter 0.000 ms");
    EXPECT_EQ(DeviceNtpText(PeerTable{}), "The device's claim: no system peer selected");
    EXPECT_EQ(DeviceNtpText(std::nullopt), "The device's claim: its peer table has not been read yet");

    NtpResult ntp;
    ntp.answered = true;
    ntp.offsetSeconds = -0.0012345;
    ntp.delaySeconds = 0.0004;
    ntp.stratum = 1;
    ntp.referenceId = "GPS\x07";
    EXPECT_EQ(WindowNtpText(ntp),
              "This PC's own NTP check: offset -1.234 ms, delay 0.400 ms, stratum 1, reference GPS\\x07");
    EXPECT_EQ(WindowNtpText(UnansweredNtp("no answer")), "This PC's own NTP check: no answer");
    EXPECT_EQ(WindowNtpText(std::nullopt), "This PC's own NTP check: not made yet");
}

// A window that remembers what it was told, its selection set by the test.
class CFakeAnswersView : public CAnswersDlgView {
public:
    void SetItemText(int id, const std::string& text) override { texts[id] = text; }
    void SetColumns(int listId, const std::vector<std::string>& titles) override { columns[listId] = titles; }
    void ShowRows(int listId, const std::vector<ListRow>& shown) override {
        rows[listId] = shown;
        if (listId == IDC_ANSWERS_EXCHANGES) {
            selected.reset();
        }
        ++showCount;
    }
    void SelectRow(int, std::size_t index) override { selected = index; }
    std::optional<std::size_t> SelectedRow(int) const override { return selected; }
    void CopyText(const std::string& text) override { copied = text; }
    void StartTimer(int) override { timing = true; }
    void StopTimer() override { timing = false; }
    void HideWindow() override { hidden = true; }

    std::map<int, std::string> texts;
    std::map<int, std::vector<std::string>> columns;
    std::map<int, std::vector<ListRow>> rows;
    std::optional<std::size_t> selected;
    int showCount = 0;
    std::string copied;
    bool timing = false;
    bool hidden = false;
};

class AnswersDlgLogicTest : public ::testing::Test {
protected:
    void Add(DeviceExchange exchange) { m_record.Add(std::move(exchange)); }
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const ListRow& row : m_view.rows.at(IDC_ANSWERS_EXCHANGES)) {
            commands.push_back(row[2]);
        }
        return commands;
    }

    CExchangeRecord m_record;
    std::optional<NtpResult> m_ntp;
    CFakeAnswersView m_view;
    CAnswersDlgLogic m_logic{m_view,
                             {[this]() -> const CExchangeRecord& { return m_record; },
                              [this] { return m_ntp; }, [](std::int64_t) { return 0; }}};
};

TEST_F(AnswersDlgLogicTest, ShowsTheNewestFirstAndKeepsTheSelectedExchangeSelected) {
    m_logic.OnInitDialog();
    EXPECT_EQ(m_view.columns[IDC_ANSWERS_PEERS].size(), kPeerColumns.size());
    Add(Exchange("version\n", "version\r\nVX-1\r\n# ", ExchangeReader::Version));
    m_logic.OnShow();
    EXPECT_TRUE(m_view.timing);
    // With none selected, the newest answer shows.
    EXPECT_EQ(m_view.texts[IDC_ANSWERS_ANSWER], "version\\x0d\\x0a\nVX-1\\x0d\\x0a\n# ");

    m_view.selected = 0;
    m_logic.OnSelectionChanged();
    DeviceExchange later = LockedGetdate();
    later.answeredPcMicros += 1'000'000;
    Add(later);
    m_logic.OnTimer();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"getdate", "version"}));
    EXPECT_EQ(m_view.selected, std::optional<std::size_t>(1));
    EXPECT_EQ(m_view.texts[IDC_ANSWERS_ANSWER], "version\\x0d\\x0a\nVX-1\\x0d\\x0a\n# ");

    // Nothing new: nothing is drawn again.
    const int shown = m_view.showCount;
    m_logic.OnTimer();
    EXPECT_EQ(m_view.showCount, shown);

    m_logic.OnClose();
    EXPECT_FALSE(m_view.timing);
    EXPECT_TRUE(m_view.hidden);
}

TEST_F(AnswersDlgLogicTest, CopiesTheNtpLinesTheExchangesWithTheirAnswersAndThePeerTable) {
    DeviceExchange peers = Exchange("ntpq -p\n", "ntpq -p\r\n*GPS_NMEA(0)\r\n# ", ExchangeReader::PeerTable);
    peers.peers = Peers();
    Add(peers);
    NtpResult ntp;
    ntp.answered = true;
    ntp.stratum = 1;
    ntp.referenceId = "GPS";
    m_ntp = ntp;
    m_logic.OnShow();
    EXPECT_EQ(m_view.rows[IDC_ANSWERS_PEERS].size(), 2U);
    m_logic.OnCopy();
    EXPECT_EQ(
        m_view.copied,
        "This PC's own NTP check: offset +0.000 ms, delay 0.000 ms, stratum 1, reference GPS\n"
        "The device's claim: synchronised to GPS_NMEA(0) (reference .GPS., stratum 0), offset +0.002 ms, "
        "delay 0.500 ms, jitter 0.000 ms\n"
        "\n"
        "Time\tTook\tCommand\tRead from it\n"
        "22:13:20.250\t42 ms\tntpq -p\t2 peers: *GPS_NMEA(0), xLOCAL(0)\n"
        "    ntpq -p\\x0d\\x0a\n"
        "    *GPS_NMEA(0)\\x0d\\x0a\n"
        "    # \n"
        "\n"
        "Tally\tMeaning\tremote\trefid\tst\tt\twhen\tpoll\treach\tdelay (ms)\toffset (ms)\tjitter (ms)\n"
        "*\tsystem peer\tGPS_NMEA(0)\t.GPS.\t0\tl\t-\t0\t377\t0.500\t0.002\t0.000\n"
        "x\tfalseticker\tLOCAL(0)\t.LOCL.\t16\tu\t-\t0\t0\t0.000\t0.000\t0.000\n");
}

} // namespace
