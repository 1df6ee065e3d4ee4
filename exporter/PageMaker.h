#pragma once

#include "FleetMemory.h"
#include "GzipPieces.h"

#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/WorkerThread.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The fleet's part of /metrics, as text and as a compressed piece of a gzip answer: both made once an
// update and shared by every scrape until the next.
struct FleetPage {
    std::shared_ptr<const std::string> text;
    std::shared_ptr<const DeflatedPiece> deflated; // the last piece of its member
};

// Makes the fleet's page on a thread of its own, from a copy of the fleet's memory: 10,000 devices' page
// takes half a second to write and compress on a busy machine, which would hold every scrape and reading
// on the loop meanwhile. One page at a time: a page asked for while one is made is made next, from the
// latest copy only. Before Start, and when no thread could be had, a page is made at once. Each page the
// thread makes flips its state (0, 1), so the state signal says that a new page stands. Every ask is
// numbered, so that the asker can tell when the page it asked for, or a later one, stands.
class CPageMaker : public CWorkerThread {
public:
    CPageMaker();
    ~CPageMaker() override;

    // Makes the page of memory as at nowUnixSeconds; the ask's number (1, 2, ...).
    std::uint64_t Ask(std::shared_ptr<const CFleetMemory> memory, double nowUnixSeconds);
    // The last page made; none before the first.
    FleetPage Page() const;
    // The number of the ask the last page made answers; 0 before the first.
    std::uint64_t MadeFor() const;

protected:
    void Run() override;

private:
    struct Order {
        std::shared_ptr<const CFleetMemory> memory;
        double nowUnixSeconds;
        std::uint64_t number;
    };
    void Make(const Order& order);

    CSignal m_asked;
    mutable CLock m_lock;
    std::uint64_t m_asks = 0;     // the asker's thread only
    std::optional<Order> m_order; // guarded: the page to make next
    FleetPage m_page;             // guarded
    std::uint64_t m_madeFor = 0;  // guarded
};
