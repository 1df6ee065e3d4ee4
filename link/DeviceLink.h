#pragma once

#include "LinkState.h"
#include "LinkTiming.h"

#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/TcpClient.h"
#include "runtime/WorkerThread.h"

#include <cstdint>
#include <string>

// One TCP link to the device, driven by a thread of its own: connects, logs in on the telnet port,
// polls the device at most once per pacing interval and keeps the latest device status under a lock.
// Port 23 speaks the telnet dialect, every other port the shell dialect.
class CDeviceLink : public CWorkerThread {
public:
    explicit CDeviceLink(std::string name);
    ~CDeviceLink() override;

    // Sets the device address (dotted IPv4 text) and port; only while the thread is stopped.
    void SetTarget(std::string host, unsigned short port);
    // Replaces the time constants; only while the thread is stopped.
    void SetTiming(const LinkTiming& timing);
    // Hands the device a new address; the link thread types the commands after its pacing wait.
    void RequestAddressChange(const char* ip, const char* mask, const char* gateway);

    // Whole seconds since 1970-01-01 UTC, carried forward by the tick counter; 0 when unknown.
    std::int64_t CurrentDeviceTime() const;
    IndicatorState TimeSyncState() const;
    IndicatorState GpsState() const;
    // 1 when the last time answer said the MAC address is not assigned, else 0.
    int IsMacUnassigned() const;
    // The firmware version line, empty until read; a copy taken under the lock.
    std::string FirmwareVersion() const;

    // Takes one received character that is not part of a telnet command (link thread only).
    void OnDeviceChar(char c);

protected:
    void Run() override;

    // (the link helper completes the private and protected members)
};
