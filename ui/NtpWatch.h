#pragma once

#include "health/DeviceRecord.h"
#include "runtime/Lock.h"
#include "runtime/WorkerThread.h"

#include <cstdint>
#include <optional>

// The device's time service, asked once a minute beside the link for what only NTP tells: a leap second
// announced, the served time and the server's own state. Its thread never touches a window: the window
// takes the latest answer when it refreshes.
class CNtpWatch : public CWorkerThread {
public:
    CNtpWatch();
    ~CNtpWatch() override;

    // Starts asking the device at address (host byte order) on port, ending any earlier watch; false
    // when no thread could be created.
    bool Watch(std::uint32_t address, unsigned short port);
    // The last exchange's result; empty until one has ended since Watch.
    std::optional<NtpResult> Latest() const;

protected:
    void Run() override;

private:
    // One exchange, published when it ends; false when the stop signal or a broken wait ended it.
    bool AskOnce();
    void Publish(const NtpResult& result);

    std::uint32_t m_address = 0;
    unsigned short m_port = 0;
    mutable CLock m_latestLock;
    std::optional<NtpResult> m_latest;
};
