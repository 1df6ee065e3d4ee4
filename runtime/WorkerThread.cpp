#include "WorkerThread.h"

#include <system_error>
#include <utility>

namespace {

constexpr StateReport kUnreported{};

// The change count after count; it skips 0, which means "nothing reported yet", when it wraps.
std::uint16_t NextSequence(std::uint16_t count) {
    const auto next = static_cast<std::uint16_t>(count + 1);
    return next == 0 ? 1 : next;
}

} // namespace

CWorkerThread::CWorkerThread(std::string name) : m_report(Pack(kUnreported)), m_name(std::move(name)) {}

CWorkerThread::~CWorkerThread() {
    Stop();
}

bool CWorkerThread::Start() {
    Stop();
    const StateReport previous = GetReport();
    m_report.store(Pack({kUnreported.state, static_cast<std::uint16_t>(previous.run + 1), 0}));
    m_stateSignal.Reset();
    m_stopSignal.Reset();
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false; // No thread for this run: the object stays idle and reports nothing.
    }
    return true;
}

void CWorkerThread::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    m_stopSignal.Set();
    m_thread.join();
}

void CWorkerThread::SetState(int value) {
    std::uint64_t packed = m_report.load();
    for (;;) {
        const StateReport current = Unpack(packed);
        if (current.state == value) {
            return;
        }
        const StateReport next{value, current.run, NextSequence(current.sequence)};
        if (m_report.compare_exchange_weak(packed, Pack(next))) {
            break;
        }
    }
    m_stateSignal.Set();
}

StateReport CWorkerThread::GetReport() const {
    return Unpack(m_report.load());
}

std::uint64_t CWorkerThread::Pack(StateReport report) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(report.state)) |
           static_cast<std::uint64_t>(report.run) << 32 | static_cast<std::uint64_t>(report.sequence) << 48;
}

StateReport CWorkerThread::Unpack(std::uint64_t packed) {
    return {static_cast<int>(static_cast<std::uint32_t>(packed)), static_cast<std::uint16_t>(packed >> 32),
            static_cast<std::uint16_t>(packed >> 48)};
}
