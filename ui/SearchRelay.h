#pragma once

#include "discover/NetworkSearch.h"
#include "runtime/StateRelay.h"
#include "runtime/WorkerThread.h"

// The Find dialog's relay: its own thread hands the search's report to post whenever the search's state
// changes or more of its addresses have been tried; the window thread then reads the progress and the
// findings itself, so the search's thread never comes near a window.
class CSearchRelay : public CWorkerThread {
public:
    // search must outlive the relay; post is called on the relay's thread.
    CSearchRelay(CNetworkSearch& search, PostStateReport post);
    ~CSearchRelay() override;

protected:
    void Run() override;

private:
    CNetworkSearch& m_search;
    PostStateReport m_post;
};
