#include "PeerLine.h"

#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace {

// remote refid st t when poll reach delay offset jitter
constexpr std::size_t kColumns = 10;
constexpr std::string_view kTallyCodes = " x.-+#*o";
// "when" and "poll" are four characters wide, the unit included.
constexpr std::int64_t kLargestCount = 9999;
// The first word that may be a figure run into its neighbour: remote, refid, st, t, when and poll come
// before.
constexpr std::size_t kFirstFigure = 6;
constexpr double kLargestMs = 1e9;

using Columns = std::array<std::string_view, kColumns>;

// Splits text at blanks into at most kColumns words; the count found, or kColumns + 1 for more.
std::size_t SplitWords(std::string_view text, Columns& words) {
    std::size_t count = 0;
    for (;;) {
        const std::size_t start = text.find_first_not_of(kAnswerBlanks);
        if (start == std::string_view::npos) {
            return count;
        }
        if (count == kColumns) {
            return kColumns + 1;
        }
        text.remove_prefix(start);
        const std::size_t end = std::min(text.find_first_of(kAnswerBlanks), text.size());
        words[count++] = text.substr(0, end);
        text.remove_prefix(end);
    }
}

// Where a minus sign starts a second number inside a numeric word ("1234.567-12.345"), or npos.
std::size_t InnerMinus(std::string_view word) {
    if (word.find_first_not_of("0123456789.-") != std::string_view::npos) {
        return std::string_view::npos;
    }
    for (std::size_t at = 1; at < word.size(); ++at) {
        if (word[at] == '-' && (std::isdigit(static_cast<unsigned char>(word[at - 1])) != 0)) {
            return at;
        }
    }
    return std::string_view::npos;
}

// Parts a run-together word of the three figures at the end, while columns are missing.
bool SplitRunTogether(Columns& words, std::size_t& count) {
    for (std::size_t index = kFirstFigure; index < count && count < kColumns; ++index) {
        const std::size_t at = InnerMinus(words[index]);
        if (at == std::string_view::npos) {
            continue;
        }
        for (std::size_t move = count; move > index + 1; --move) {
            words[move] = words[move - 1];
        }
        words[index + 1] = words[index].substr(at);
        words[index] = words[index].substr(0, at);
        ++count; // the right part, looked at next, may hold another
    }
    return count == kColumns;
}

template <typename Number>
std::optional<Number> WholeNumber(std::string_view word, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// "12", "12s", "3m", "5h", "2d" as seconds.
std::optional<std::int64_t> Duration(std::string_view word) {
    std::int64_t scale = 1;
    if (!word.empty()) {
        switch (word.back()) {
        case 's':
            word.remove_suffix(1);
            break;
        case 'm':
            scale = 60;
            word.remove_suffix(1);
            break;
        case 'h':
            scale = 3600;
            word.remove_suffix(1);
            break;
        case 'd':
            scale = 86400;
            word.remove_suffix(1);
            break;
        default:
            break;
        }
    }
    const std::optional<std::int64_t> count = WholeNumber<std::int64_t>(word);
    if (!count || *count < 0 || *count > kLargestCount) {
        return std::nullopt;
    }
    return *count * scale;
}

std::optional<double> Milliseconds(std::string_view word) {
    if (word.starts_with('+')) {
        word.remove_prefix(1); // newer daemons sign the offset
    }
    double value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value) ||
        std::fabs(value) > kLargestMs) {
        return std::nullopt;
    }
    return value;
}

bool ReadNames(const Columns& words, NtpPeer& peer) {
    if (words[0].size() > kPeerNameLength || words[1].size() > kPeerNameLength || words[3].size() != 1) {
        return false;
    }
    peer.remote = words[0];
    peer.refid = words[1];
    peer.type = words[3].front();
    return true;
}

bool ReadCounts(const Columns& words, NtpPeer& peer) {
    const std::optional<int> stratum = WholeNumber<int>(words[2]);
    const std::optional<std::int64_t> poll = Duration(words[5]);
    const std::optional<unsigned> reach = WholeNumber<unsigned>(words[6], 8);
    if (!stratum || *stratum < 0 || *stratum > 16 || !poll || !reach || *reach > 0377) {
        return false;
    }
    if (words[4] != "-") {
        peer.whenSeconds = Duration(words[4]);
        if (!peer.whenSeconds) {
            return false;
        }
    }
    peer.stratum = *stratum;
    peer.pollSeconds = *poll;
    peer.reach = *reach;
    return true;
}

bool ReadFigures(const Columns& words, NtpPeer& peer) {
    const std::optional<double> delay = Milliseconds(words[7]);
    const std::optional<double> offset = Milliseconds(words[8]);
    const std::optional<double> jitter = Milliseconds(words[9]);
    if (!delay || !offset || !jitter) {
        return false;
    }
    peer.delayMs = *delay;
    peer.offsetMs = *offset;
    peer.jitterMs = *jitter;
    return true;
}

} // namespace

std::optional<NtpPeer> ParsePeerLine(std::string_view line) {
    if (line.empty() || kTallyCodes.find(line.front()) == std::string_view::npos) {
        return std::nullopt;
    }
    NtpPeer peer;
    peer.tally = line.front();
    Columns words;
    std::size_t count = SplitWords(line.substr(1), words);
    if (count > kColumns || (count < kColumns && !SplitRunTogether(words, count))) {
        return std::nullopt;
    }
    if (!ReadNames(words, peer) || !ReadCounts(words, peer) || !ReadFigures(words, peer)) {
        return std::nullopt;
    }
    return peer;
}

int AnsweredPolls(unsigned reach) {
    return std::popcount(reach & 0377u);
}
