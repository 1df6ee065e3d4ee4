#pragma once

#include "EventLoop.h"
#include "LoopWatchTable.h"

// The part of every mechanism that keeps the watches: the mechanism only tells the system what to report
// and hands what it reported to Deliver.
class CTableLoop : public CEventLoop {
public:
    bool Watch(WaitHandle socket, unsigned events, LoopHandler handler) override;
    bool Change(WaitHandle socket, unsigned events) override;
    void Forget(WaitHandle socket) override;
    std::size_t WatchCount() const override { return m_table.Count(); }

protected:
    // Asks the system to report events of handle (errors whatever was asked), with generation beside them;
    // replaces what it reported before when watched is true. False when the system refuses.
    virtual bool Register(WaitHandle handle, unsigned events, std::uint32_t generation, bool watched) = 0;
    // Stops the reports of handle; the system's complaints do not matter (the socket may be closed).
    virtual void Unregister(WaitHandle handle) = 0;

    // Calls the handler of what the system reported; 1 when it called one.
    int Deliver(WaitHandle handle, std::uint32_t generation, unsigned events) {
        return m_table.Deliver(handle, generation, events);
    }
    std::uint32_t GenerationOf(WaitHandle handle) const { return m_table.GenerationOf(handle); }

private:
    CLoopWatchTable m_table;
};
