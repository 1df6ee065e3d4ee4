#pragma once

#include "ExchangeRecord.h"
#include "LinkState.h"
#include "LinkTiming.h"
#include "TimedClockReading.h"

#include "devicetext/PeerTable.h"
#include "runtime/WorkerThread.h"

#include <cstdint>
#include <optional>
#include <string>

// What the owner of a raced device link needs of it: a run at an address, the thread whose state changes
// report the run's progress, the status it polls, and an address change to hand over. CDeviceLink is the
// real one; tests drive the window's logic through fakes.
class CRacingLink {
public:
    virtual ~CRacingLink() = default;

    // Stops any run and starts a new one against host (dotted IPv4 text) and port with timing; false when
    // no thread could be created for it (the run then never reports).
    virtual bool StartRun(const std::string& host, unsigned short port, const LinkTiming& timing) = 0;
    // The thread that carries the runs: Stop ends the current one, GetReport and StateSignal tell its
    // progress, and the state relay watches it.
    virtual CWorkerThread& Worker() = 0;
    virtual const CWorkerThread& Worker() const = 0;

    // Whole seconds since 1970-01-01 UTC, carried forward by the tick counter; 0 when unknown.
    virtual std::int64_t CurrentDeviceTime() const = 0;
    // 1 when the device's time daemon has selected a system peer, 0 when not, -1 before it was read.
    virtual IndicatorState TimeSyncState() const = 0;
    // 1 when the device reports GPS lock, 0 when not, -1 before it was read or while the MAC is unset.
    virtual IndicatorState GpsState() const = 0;
    // 1 when the last time answer said the MAC address is not assigned, else 0.
    virtual int IsMacUnassigned() const = 0;
    // The firmware version line, empty until read.
    virtual std::string FirmwareVersion() const = 0;
    // The last getdate reading of this run with its send and answer times; nothing before the first
    // and after an unreadable answer.
    virtual std::optional<TimedClockReading> LastClockReading() const = 0;
    // The peers of the last whole peer table of this run; nothing before the first.
    virtual std::optional<PeerTable> LastPeerTable() const = 0;

    // The last exchanges of this run with the device, as the link thread recorded them.
    virtual const CExchangeRecord& Exchanges() const = 0;

    // Hands the device a new address; the run types the commands at its next turn.
    virtual void RequestAddressChange(const char* ip, const char* mask, const char* gateway) = 0;
};
