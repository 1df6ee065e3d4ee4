#include "DescriptorLoop.h"
#include "PollEvents.h"

#include <cerrno>
#include <unordered_map>
#include <vector>

namespace {

// poll(2) over a dense array of every watch: a wake costs what is watched, but it runs wherever POSIX
// does.
class CPollLoop final : public CDescriptorLoop {
public:
    const char* MechanismName() const override { return "poll"; }

protected:
    bool Register(WaitHandle handle, unsigned events, std::uint32_t, bool) override {
        if (handle < 0) {
            return false; // poll(2) would pass over it without a word
        }
        const short pollEvents = PollEventsFor(events);
        const auto [position, added] = m_positions.try_emplace(static_cast<int>(handle), m_fds.size());
        if (added) {
            m_fds.push_back({static_cast<int>(handle), pollEvents, 0});
        } else {
            m_fds[position->second].events = pollEvents;
        }
        return true;
    }

    void Unregister(WaitHandle handle) override {
        const auto found = m_positions.find(static_cast<int>(handle));
        if (found == m_positions.end()) {
            return;
        }
        // The last entry takes the place of the one that goes.
        const std::size_t position = found->second;
        m_positions.erase(found);
        if (position + 1 != m_fds.size()) {
            m_fds[position] = m_fds.back();
            m_positions[m_fds[position].fd] = position;
        }
        m_fds.pop_back();
    }

    int WaitForReadiness(std::uint32_t timeoutMs) override {
        const int count = poll(m_fds.data(), static_cast<nfds_t>(m_fds.size()), PollTimeoutOf(timeoutMs));
        if (count < 0) {
            return errno == EINTR ? 0 : -1;
        }
        // Taken off the array before any handler runs: handlers may add to it and remove from it.
        m_ready.clear();
        for (const pollfd& entry : m_fds) {
            if (entry.revents != 0) {
                m_ready.push_back({entry.fd, GenerationOf(entry.fd), LoopEventsOf(entry.revents)});
            }
        }
        int called = 0;
        for (const Ready& ready : m_ready) {
            called += Deliver(ready.fd, ready.generation, ready.events);
        }
        return called;
    }

private:
    struct Ready {
        int fd;
        std::uint32_t generation;
        unsigned events;
    };
    std::vector<pollfd> m_fds;
    std::unordered_map<int, std::size_t> m_positions;
    std::vector<Ready> m_ready;
};

} // namespace

std::unique_ptr<CEventLoop> CreatePollLoop() {
    return std::make_unique<CPollLoop>();
}
