// The record of a link's exchanges: what the dialogue hands it for each answer a prompt ends, and how the
// record stays bounded.
#include "DialogueDriver.h"

#include "link/ExchangeRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A telnet dialogue whose exchanges go to a record.
class RecordedDialogueTest : public ::testing::Test {
protected:
    RecordedDialogueTest() {
        m_driver.Dialogue().SetExchangeSink(
            [this](DeviceExchange&& exchange) { m_record.Add(std::move(exchange)); });
    }
    void ReachShell() {
        m_driver.Receive("Welcome\r\npicotux login: ");
        m_driver.Answer("Password: ");
        m_driver.Answer("\r\n# ");
    }

    CDialogueDriver m_driver{kTelnetPort};
    CExchangeRecord m_record;
};

TEST_F(RecordedDialogueTest, EachPromptEndsAnExchangeWithWhatWasRead) {
    ReachShell();
    m_driver.Answer("cat /etc/version\r\nVX-1.1.2\r\n# ");
    m_driver.Answer("getdate\r\n1700000000.250000 A\r\n# ");
    m_driver.Answer("ntpq -p 127.0.0.1\r\n     remote     refid   st t\r\n==========\r\n"
                    "*GPS_NMEA(0)  .GPS.  0 l  5  16  377  0.000  0.002  0.001\r\n# ");
    const std::vector<DeviceExchange> exchanges = m_record.Copy();
    ASSERT_EQ(exchanges.size(), 6U);

    EXPECT_EQ(exchanges[0].command, "");
    EXPECT_EQ(exchanges[0].answer, "Welcome\r\npicotux login: ");
    EXPECT_EQ(exchanges[1].command, "root\n");
    // The password never reaches a window or a clipboard.
    EXPECT_TRUE(exchanges[2].commandHidden);
    EXPECT_EQ(exchanges[2].command, "");

    EXPECT_EQ(exchanges[3].reader, ExchangeReader::Version);
    EXPECT_EQ(exchanges[3].version, "VX-1.1.2");
    EXPECT_EQ(exchanges[4].reader, ExchangeReader::Getdate);
    ASSERT_TRUE(exchanges[4].clock.has_value());
    EXPECT_EQ(exchanges[4].clock->status, 'A');
    EXPECT_EQ(exchanges[4].answer, "getdate\r\n1700000000.250000 A\r\n# ");
    EXPECT_GT(exchanges[4].answeredPcMicros, 0);
    EXPECT_LE(exchanges[4].sentPcMicros, exchanges[4].answeredPcMicros);
    // The peer table's lines are read as they come, yet the answer keeps every one of them.
    EXPECT_EQ(exchanges[5].reader, ExchangeReader::PeerTable);
    ASSERT_TRUE(exchanges[5].peers.has_value());
    ASSERT_EQ(exchanges[5].peers->peers.size(), 1U);
    EXPECT_EQ(exchanges[5].peers->peers[0].tally, '*');
    EXPECT_NE(exchanges[5].answer.find("*GPS_NMEA(0)"), std::string::npos);
    for (const DeviceExchange& exchange : exchanges) {
        EXPECT_FALSE(exchange.IsUnreadable()) << exchange.answer;
    }
}

TEST_F(RecordedDialogueTest, AnUnreadableAnswerIsMarkedAndKeptAsItCame) {
    ReachShell();
    m_driver.Answer("cat /etc/version\r\nVX-1.1.2\r\n# ");
    m_driver.Answer("getdate\r\nsegfault\x1b[2J\r\n# ");
    const DeviceExchange last = m_record.Copy().back();
    EXPECT_EQ(last.reader, ExchangeReader::Getdate);
    EXPECT_TRUE(last.IsUnreadable());
    EXPECT_EQ(last.answer, "getdate\r\nsegfault\x1b[2J\r\n# ");
}

TEST_F(RecordedDialogueTest, ALongAnswerIsCutOnAWholeCharacter) {
    ReachShell();
    // A two-byte character straddles the bound.
    const std::string flood =
        std::string(kExchangeAnswerLength - 1, 'a') + "\xC3\xA9" + std::string(100, 'b');
    m_driver.Answer("cat /etc/version\r\n" + flood + "\r\n# ");
    const DeviceExchange last = m_record.Copy().back();
    EXPECT_TRUE(last.answerCut);
    EXPECT_LE(last.answer.size(), kExchangeAnswerLength);
    EXPECT_EQ(last.answer.back(), 'a');
}

TEST(ExchangeRecord, KeepsTheNewestWithinItsBoundAndSaysWhenItChanged) {
    CExchangeRecord record;
    const std::uint64_t empty = record.Revision();
    for (std::size_t index = 0; index < CExchangeRecord::kKeptExchanges + 5; ++index) {
        DeviceExchange exchange;
        exchange.command = std::to_string(index);
        record.Add(std::move(exchange));
    }
    const std::vector<DeviceExchange> kept = record.Copy();
    ASSERT_EQ(kept.size(), CExchangeRecord::kKeptExchanges);
    EXPECT_EQ(kept.front().command, "5");
    EXPECT_EQ(kept.back().command, std::to_string(CExchangeRecord::kKeptExchanges + 4));
    EXPECT_NE(record.Revision(), empty);
    const std::uint64_t full = record.Revision();
    record.Clear();
    EXPECT_TRUE(record.Copy().empty());
    EXPECT_NE(record.Revision(), full);
}

} // namespace
