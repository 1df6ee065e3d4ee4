#pragma once

#include "runtime/StateRelay.h"
#include "runtime/WorkerThread.h"

// The window's state relay: its own thread hands every state change of the two links to post, which
// carries it over to the window thread.
class CLinkStateRelay : public CWorkerThread {
public:
    // a and b must outlive the relay; post is called on the relay's thread.
    CLinkStateRelay(CWorkerThread& a, CWorkerThread& b, PostStateReport post);
    ~CLinkStateRelay() override;

protected:
    void Run() override;

private:
    CWorkerThread& m_a;
    CWorkerThread& m_b;
    PostStateReport m_post;
};
