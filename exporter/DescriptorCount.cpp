#include "DescriptorCount.h"

#include "runtime/DescriptorLimit.h"

#include <filesystem>

namespace {

constexpr std::size_t kMostDescriptorsCounted = 10'000'000;
// As often as a scraper would look, at a cost the loop does not notice between the counts.
constexpr auto kRecountInterval = std::chrono::seconds(5);

} // namespace

CDescriptorCount::CDescriptorCount(CEventLoop& loop)
    : m_loop(loop), m_systemTells(OpenDescriptorCount().has_value()) {
    if (!m_systemTells) {
        Recount();
    }
}

CDescriptorCount::~CDescriptorCount() {
    m_loop.CancelTimer(m_timer);
}

std::optional<double> CDescriptorCount::Current() const {
    if (m_systemTells) {
        const std::optional<std::uint64_t> told = OpenDescriptorCount();
        return told ? std::optional<double>(static_cast<double>(*told)) : std::nullopt;
    }
    return m_counted;
}

void CDescriptorCount::Recount() {
    m_counted = CountOpenDescriptors();
    m_timer = m_loop.StartTimer(CEventLoop::Clock::now() + kRecountInterval, [this](unsigned) { Recount(); });
}

std::optional<double> CountOpenDescriptors() {
    std::error_code error;
    std::filesystem::directory_iterator entries("/proc/self/fd", error);
    if (error) {
        return std::nullopt;
    }
    std::size_t count = 0;
    for (; entries != std::filesystem::directory_iterator() && count < kMostDescriptorsCounted;
         entries.increment(error)) {
        if (error) {
            return std::nullopt;
        }
        ++count;
    }
    // The one the count itself held open.
    return count > 0 ? static_cast<double>(count - 1) : 0.0;
}
