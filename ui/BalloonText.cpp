#include "BalloonText.h"

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6"; // one UTF-16 unit

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The UTF-16 units of the characters of valid UTF-8 text: two for those beyond the first plane.
std::size_t Utf16Units(const std::string& text) {
    std::size_t units = 0;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        if (!IsContinuationByte(byte)) {
            units += value >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

// text cut to at most units UTF-16 units with the ellipsis, at a character's start.
std::string CutToUnits(const std::string& text, std::size_t units) {
    std::string cut;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = at + 1;
        while (end < text.size() && IsContinuationByte(text[end])) {
            ++end;
        }
        std::string next = cut + text.substr(at, end - at);
        if (Utf16Units(next) + 1 > units) {
            break;
        }
        cut = std::move(next);
        at = end;
    }
    return cut + kEllipsis;
}

} // namespace

BalloonText FitBalloon(const Alarm& alarm, std::size_t titleUnits) {
    if (Utf16Units(alarm.summary) <= titleUnits) {
        return {alarm.summary, alarm.body};
    }
    const std::string& title = alarm.shortSummary.empty() ? alarm.summary : alarm.shortSummary;
    // The text says in full what the title could not.
    const std::string text = alarm.body.empty() ? alarm.summary : alarm.summary + '\n' + alarm.body;
    return {Utf16Units(title) <= titleUnits ? title : CutToUnits(title, titleUnits), text};
}
