#pragma once

#include "FoundAddress.h"
#include "PortProbe.h"
#include "SearchRange.h"

#include "link/LinkState.h"
#include "runtime/EventLoop.h"
#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/WorkerThread.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// How a search goes about it.
struct SearchSettings {
    std::size_t parallel = 64; // connection attempts at once, at least 1
    ProbeTiming timing;
    unsigned short shellPort = kShellPort;
    unsigned short telnetPort = kTelnetPort;
};

// Where a search stands, as its state reports it.
enum SearchState : int {
    SearchRunning = 0,
    SearchFinished = 1, // every address was tried, or could not be (UntriedCount)
    SearchStopped = 2,  // Stop ended it early
    SearchFailed = 3,   // this PC could not wait for its sockets; the addresses not tried count as untried
};

// A bounded search of one network for devices, on a thread of its own: every address's shell port and
// telnet port are tried, with at most `parallel` attempts at once on one event loop. What answered
// arrives in a queue that the caller drains (TakeFound) whenever FoundSignal is set. Stop ends the search
// at once and closes every socket before it returns.
class CNetworkSearch : public CWorkerThread {
public:
    CNetworkSearch();
    ~CNetworkSearch() override;

    // Sets the range and settings, then starts the thread; false when no thread could be made.
    bool StartSearch(const SearchRange& range, const SearchSettings& settings);
    // The addresses found since the last call, in the order their attempts ended.
    std::vector<FoundAddress> TakeFound();
    // Set whenever TakeFound has something new; cleared by whoever drains it.
    CSignal& FoundSignal() { return m_foundSignal; }
    // The addresses whose attempts have all ended, found or not, of this search so far.
    std::size_t TriedCount() const;
    // Set whenever TriedCount grows; cleared by whoever follows the progress.
    CSignal& ProgressSignal() { return m_progressSignal; }
    // The addresses that this PC could not try in full (no socket, no route, no wait), once the search
    // has finished or failed; such an address may still have been found on its other port.
    std::size_t UntriedCount() const;

protected:
    void Run() override;

private:
    // What the attempts on one address have found so far.
    struct Tally {
        int pendingPorts = 2;
        bool local = false;
        FoundAddress found;
    };

    // What a slot's probe runs when it runs nothing.
    static constexpr std::size_t kNoJob = static_cast<std::size_t>(-1);

    // One place for an attempt: its probe, and the attempt it runs.
    struct Slot {
        std::unique_ptr<CPortProbe> probe;
        std::size_t job = kNoJob;
    };

    // Runs every attempt on loop until they have all ended or stopped is set; the state to end with. Every
    // probe and socket is gone when it returns.
    SearchState RunAttempts(CEventLoop& loop, const bool& stopped);
    // Starts attempts from next on in the idle slots; false when no slot is busy afterwards.
    bool StartIdleSlots(std::vector<Slot>& slots, std::size_t& next);
    // Starts attempt number job on probe; false when it ended at once.
    bool StartAttempt(CPortProbe& probe, std::size_t job);
    // Takes an ended attempt's outcome into its address's tally, and queues the address when complete.
    void EndAttempt(std::size_t job, const PortOutcome& outcome);
    // Marks every attempt from job on, and the ones under way in slots, as not tried.
    void AbandonFrom(std::size_t job, std::vector<Slot>& slots);

    SearchRange m_range;
    SearchSettings m_settings;
    std::vector<Tally> m_tallies; // search thread only while it runs

    CSignal m_foundSignal;
    CSignal m_progressSignal;
    mutable CLock m_lock; // guards the three below
    std::vector<FoundAddress> m_found;
    std::size_t m_untried = 0;
    std::size_t m_tried = 0;
};
