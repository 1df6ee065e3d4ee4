#include "FleetWatch.h"

#include "runtime/EventLoop.h"

#include <memory>
#include <utility>

namespace {

// After a wait this PC could not make, the loop waits this long for the stop alone: the next would fail
// at once.
constexpr std::uint32_t kFailedWaitPauseMs = 100;

} // namespace

// The fleet's listener, on its thread: hands every start and reading to the watch's mailbox.
class CFleetWatch::CListener : public IFleetListener {
public:
    explicit CListener(CFleetWatch& watch) : m_watch(watch) {}
    void OnReading(const FleetReading& reading) override { m_watch.Keep(std::nullopt, &reading.record); }
    void OnPlan(const FleetPlan&) override {}
    void OnReadingStarted(const DeviceAddress& device) override { m_watch.Keep(device.value, nullptr); }

private:
    CFleetWatch& m_watch;
};

CFleetWatch::CFleetWatch(PostStateReport post, UtcClock utcNow)
    : CWorkerThread("fleet"), m_post(std::move(post)), m_utcNow(std::move(utcNow)) {}

CFleetWatch::~CFleetWatch() {
    // The thread reads this object's parts; it must end before they go.
    Stop();
}

bool CFleetWatch::Watch(std::vector<DeviceAddress> devices, const FleetSettings& settings) {
    const bool restart = !IsStarted() || settings.watchInterval != m_settings.watchInterval;
    {
        const CLockHold hold(m_lock);
        m_newList = std::move(devices);
    }
    (void)m_listSignal.Set();
    if (!restart) {
        return true;
    }
    Stop();
    m_settings = settings;
    m_settings.ntpHistories = &m_ntpHistories;
    // The thread takes the list waiting when it starts.
    (void)m_listSignal.Set();
    return Start();
}

FleetNews CFleetWatch::TakeNews() {
    const CLockHold hold(m_lock);
    FleetNews news = std::move(m_news);
    m_news = FleetNews{};
    m_posted = false;
    return news;
}

void CFleetWatch::Keep(std::optional<std::uint32_t> started, const DeviceRecord* record) {
    bool post = false;
    StateReport report;
    {
        const CLockHold hold(m_lock);
        if (started) {
            m_news.started.push_back(*started);
        }
        if (record != nullptr) {
            m_news.readings.push_back(WatchedReading{*record, m_utcNow()});
        }
        post = !m_posted;
        m_posted = true;
        report = StateReport{0, 0, ++m_sequence};
    }
    if (post) {
        m_post(*this, report);
    }
}

void CFleetWatch::Run() {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    if (!loop) {
        return;
    }
    CListener listener(*this);
    CFleet fleet(*loop, m_settings, listener);
    bool stopping = false;
    const bool watched = loop->WatchSignal(m_stopSignal, [&stopping](unsigned) { stopping = true; }) &&
                         loop->WatchSignal(m_listSignal, [this, &fleet](unsigned) {
                             (void)m_listSignal.Reset();
                             std::optional<std::vector<DeviceAddress>> list;
                             {
                                 const CLockHold hold(m_lock);
                                 list.swap(m_newList);
                             }
                             if (list) {
                                 fleet.List(*list);
                             }
                         });
    while (watched && !stopping && !m_stopSignal.Wait(0)) {
        if (loop->Wait() < 0) {
            (void)m_stopSignal.Wait(kFailedWaitPauseMs);
        }
    }
    loop->ForgetSignal(m_listSignal);
    loop->ForgetSignal(m_stopSignal);
}
