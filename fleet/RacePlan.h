#pragma once

#include "LinkHint.h"

#include <chrono>

// The wait for the first link's prompt, before the second starts beside it: a few times what the
// connect took (a prompt comes about one round trip after the connect, plus what the device and both
// hosts take), so that a distant shell or a busy PC is waited for while a silent shell on the LAN costs
// no more than the shortest wait.
inline constexpr int kPromptWaitPerConnect = 4;
inline constexpr std::chrono::milliseconds kShortestPromptWait{500};
// Also the whole wait while the connect itself is under way (a lost SYN is sent again after 1 s).
inline constexpr std::chrono::milliseconds kLongestPromptWait{3000};
// The wait for a link that won the device's last race: it worked, so the other is started only when it
// fails, or, should it hang, after this.
inline constexpr std::chrono::milliseconds kHintedPromptWait{5000};

// When a device's race starts its second link, and what the race teaches for the next one: pure, driven
// with times and events. The first link is the one the hint names, else the shell's.
class CRacePlan {
public:
    using Clock = std::chrono::steady_clock;

    explicit CRacePlan(LinkHint hint = {}) : m_hint(hint) {}

    // A race begins at now; the side to start first.
    LinkSide Begin(Clock::time_point now);
    // The first link's connection stood at now (told once a race).
    void FirstConnected(Clock::time_point now);
    // When the second link is to start if the first has shown no prompt by then; it starts at once when
    // the first fails.
    Clock::time_point SecondDue() const { return m_secondDue; }
    // side won the race; rivalRunning: the other link was still under way, not failed nor unstarted.
    void Won(LinkSide side, bool rivalRunning);
    // Every started link failed.
    void Failed() { m_hint = {}; }

    const LinkHint& Hint() const { return m_hint; }

private:
    LinkHint m_hint;
    bool m_hinted = false; // this race started with what the last one taught
    Clock::time_point m_begin;
    Clock::time_point m_secondDue;
};
