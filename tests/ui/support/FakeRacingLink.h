#pragma once

#include "link/RacingLink.h"

#include <optional>
#include <string>
#include <vector>

// A link that reaches no device: it records the runs it was asked for and reports whatever the test
// tells it to, through a real worker whose thread ends at once (so runs and report sequences are real).
class CFakeRacingLink : public CRacingLink {
public:
    struct Run {
        std::string host;
        unsigned short port = 0;
        LinkTiming timing;
    };

    bool StartRun(const std::string& host, unsigned short port, const LinkTiming& timing) override {
        m_runs.push_back({host, port, timing});
        const bool started = m_worker.Start();
        if (failStart) {
            // The run was counted, as the real link counts a run whose thread could not be created.
            m_worker.Stop();
            return false;
        }
        return started;
    }
    CWorkerThread& Worker() override { return m_worker; }
    const CWorkerThread& Worker() const override { return m_worker; }

    std::int64_t CurrentDeviceTime() const override { return deviceTime; }
    IndicatorState TimeSyncState() const override { return timeSync; }
    IndicatorState GpsState() const override { return gps; }
    int IsMacUnassigned() const override { return macUnassigned; }
    std::string FirmwareVersion() const override { return "2.4.1"; }
    std::optional<TimedClockReading> LastClockReading() const override { return clockReading; }
    std::optional<PeerTable> LastPeerTable() const override { return peerTable; }
    const CExchangeRecord& Exchanges() const override { return exchanges; }

    void RequestAddressChange(const char* ip, const char*, const char*) override {
        m_addressChanges.push_back(ip);
    }

    // The report a run makes when it reaches state, as the relay would post it.
    StateReport Report(LinkState state) {
        m_worker.SetState(state);
        return m_worker.GetReport();
    }

    bool failStart = false;
    std::int64_t deviceTime = 1700000000;
    IndicatorState timeSync = true;
    IndicatorState gps = true;
    int macUnassigned = 0;
    std::optional<TimedClockReading> clockReading;
    std::optional<PeerTable> peerTable;
    CExchangeRecord exchanges;
    std::vector<Run> m_runs;
    std::vector<std::string> m_addressChanges;

private:
    class CIdleWorker : public CWorkerThread {
    public:
        CIdleWorker() : CWorkerThread("fake link") {}
        ~CIdleWorker() override { Stop(); }

    protected:
        void Run() override {}
    };

    CIdleWorker m_worker;
};
