#pragma once

#include "fleet/DeviceList.h"
#include "fleet/Fleet.h"
#include "health/DeviceRecord.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/StateRelay.h"
#include "runtime/WorkerThread.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// A reading the fleet ended, with this PC's clock then.
struct WatchedReading {
    DeviceRecord record;
    std::int64_t utcMicros = 0;
};

// What the fleet did since the window last looked: the devices whose reading started (host byte order),
// and the readings that ended, in their order.
struct FleetNews {
    std::vector<std::uint32_t> started;
    std::vector<WatchedReading> readings;
};

// The Devices window's fleet: one CFleet on one event loop on one thread of its own, for every listed
// device. The window never waits on it: it lists devices and takes the news, each a short locked step,
// and is told that news waits through post, called on the fleet's thread when the first news since the
// window last took them comes (the window posts it to itself, as it does a link's state report).
class CFleetWatch : public CWorkerThread {
public:
    using UtcClock = std::function<std::int64_t()>;

    // post and utcNow are called on the fleet's thread.
    CFleetWatch(PostStateReport post, UtcClock utcNow);
    ~CFleetWatch() override;

    // Reads devices from now on with settings. A change of the settings starts the fleet afresh; a new
    // list keeps the readings of the devices still listed. Starts the thread the first time. False
    // when no thread could be started.
    bool Watch(std::vector<DeviceAddress> devices, const FleetSettings& settings);
    // The news since the last call.
    FleetNews TakeNews();

protected:
    void Run() override;

private:
    class CListener;
    friend class CListener;

    // On the fleet's thread: keeps news for the window and posts the first since it last looked.
    void Keep(std::optional<std::uint32_t> started, const DeviceRecord* record);

    PostStateReport m_post;
    UtcClock m_utcNow;
    FleetSettings m_settings; // the thread's; set before it starts
    // The devices' NTP checks across fleets: a new interval starts the fleet afresh, and its devices' time
    // services are still asked no more often than before.
    CNtpHistoryStore m_ntpHistories;
    CSignal m_listSignal; // a new list waits
    mutable CLock m_lock; // guards the three below
    std::optional<std::vector<DeviceAddress>> m_newList;
    FleetNews m_news;
    bool m_posted = false; // news was posted and not taken yet
    std::uint16_t m_sequence = 0;
};
