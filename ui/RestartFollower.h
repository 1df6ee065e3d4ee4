#pragma once

#include "AlarmFeed.h"
#include "DialogView.h"
#include "RestartEnvironment.h"
#include "RestartSchedule.h"

#include <string>

struct AddressCheck;

// The follow-up of a confirmed address change in the window: the device restarts, and the window counts
// down on its status line while tries at the new address run at their turns (the caller starts each),
// or says where the device went when this PC cannot follow. Its ticks come on a timer of their own.
class CRestartFollower {
public:
    // The countdown ticks on timer timerId of view; environment (its timing set with SetTiming) outlives
    // the follower, as do view and feed.
    CRestartFollower(CDialogView& view, CAlarmFeed& feed, const RestartEnvironment& environment, int timerId)
        : m_view(view), m_feed(feed), m_environment(environment), m_timerId(timerId) {}
    CRestartFollower(const CRestartFollower&) = delete;
    CRestartFollower& operator=(const CRestartFollower&) = delete;

    // Takes the times of the follow-up; only while Idle.
    void SetTiming(const RestartTiming& timing) { m_restart.SetTiming(timing); }
    RestartPhase Phase() const { return m_restart.Phase(); }

    // The device was sent change; reachable says whether this PC is on the new address's network.
    void OnChangeSent(const AddressCheck& change, bool reachable);
    // A refresh while the link that took the change is still up: true, once, when the device went on
    // answering past the restart limit; the follow-up has then ended.
    bool OnStillConnected() { return m_restart.OnStillConnected(m_environment.now()); }
    // The link ended after the change, and the window is back to disconnected: either the wait starts
    // (true; tick at once) or the status line tells where the device went and the follow-up ends.
    bool OnLinkEnded();
    // A tick of the wait: shows the countdown; on timed out the timer has stopped and nothing is shown.
    RestartTick OnTick();
    // The address the device was sent, and the timing of a try there.
    const std::string& NewAddress() const { return m_restart.NewAddress(); }
    LinkTiming TryTiming() const { return m_restart.TryTiming(); }
    // The running try failed; the next one starts at its turn.
    void OnTryFailed() { m_restart.OnTryFailed(); }
    // Connected, cancelled or closed: the countdown stops and the follow-up is Idle.
    void End();

private:
    CDialogView& m_view;
    CAlarmFeed& m_feed;
    const RestartEnvironment& m_environment;
    const int m_timerId;
    CRestartSchedule m_restart;
};
