#pragma once

#include "DeviceAnswers.h"
#include "devicetext/PeerTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The most of one answer an exchange keeps: a whole peer table of the kept peers fits.
inline constexpr std::size_t kExchangeAnswerLength = 4096;

// Which reader the dialogue gave an answer to.
enum class ExchangeReader {
    None,      // nobody reads it: the greeting, a login prompt, an address change
    Version,   // the firmware version
    Getdate,   // the device's clock and GPS state
    PeerTable, // the NTP daemon's peers
};

// One command of the dialogue and the answer that a prompt ended, as the device sent it, with what was
// read from it. Raw device bytes: whoever shows them escapes them.
struct DeviceExchange {
    std::int64_t sentPcMicros = 0;     // this PC's clock as the command began to leave; 0: none was sent
    std::int64_t answeredPcMicros = 0; // when the prompt that ended the answer came
    std::string command;               // as sent, its line end included; empty for the greeting
    bool commandHidden = false;        // the password: kept out of every copy
    std::string answer;                // at most kExchangeAnswerLength bytes, ending on a whole character
    bool answerCut = false;            // more came than was kept
    ExchangeReader reader = ExchangeReader::None;
    // What the reader found; all empty when the answer was unreadable.
    std::string version;
    std::optional<DeviceClockReading> clock;
    std::optional<PeerTable> peers;

    // Whether a reader was given the answer and could not make sense of it.
    bool IsUnreadable() const {
        switch (reader) {
        case ExchangeReader::Version:
            return version.empty();
        case ExchangeReader::Getdate:
            return !clock.has_value();
        case ExchangeReader::PeerTable:
            return !peers.has_value();
        case ExchangeReader::None:
            break;
        }
        return false;
    }
};
