#pragma once

#include "WaitTypes.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The dense array that poll(2) and WSAPoll take (PollFd: pollfd or WSAPOLLFD), with each handle's place
// in it, so that adding, changing and removing one costs O(1).
template <typename PollFd>
class CLoopPollArray {
public:
    // A handle that was ready, and what the system reported for it.
    struct Ready {
        WaitHandle handle;
        std::uint32_t generation;
        short revents;
    };

    // Asks for pollEvents on handle, adding it when it is not there yet.
    void Set(WaitHandle handle, short pollEvents) {
        const auto [position, added] = m_positions.try_emplace(handle, m_fds.size());
        if (added) {
            PollFd entry{};
            entry.fd = static_cast<decltype(entry.fd)>(handle);
            m_fds.push_back(entry);
        }
        m_fds[position->second].events = pollEvents;
    }

    void Remove(WaitHandle handle) {
        const auto found = m_positions.find(handle);
        if (found == m_positions.end()) {
            return;
        }
        // The last entry takes the place of the one that goes.
        const std::size_t position = found->second;
        m_positions.erase(found);
        if (position + 1 != m_fds.size()) {
            m_fds[position] = m_fds.back();
            m_positions[static_cast<WaitHandle>(m_fds[position].fd)] = position;
        }
        m_fds.pop_back();
    }

    PollFd* Data() { return m_fds.data(); }
    std::size_t Size() const { return m_fds.size(); }

    // What the last poll reported, with each handle's watch generation (generationOf(handle)) taken now:
    // handlers called afterwards may change the array and the watches.
    template <typename GenerationOf>
    const std::vector<Ready>& TakeReady(GenerationOf generationOf) {
        m_ready.clear();
        for (const PollFd& entry : m_fds) {
            if (entry.revents != 0) {
                const auto handle = static_cast<WaitHandle>(entry.fd);
                m_ready.push_back({handle, generationOf(handle), entry.revents});
            }
        }
        return m_ready;
    }

private:
    std::vector<PollFd> m_fds;
    std::unordered_map<WaitHandle, std::size_t> m_positions;
    std::vector<Ready> m_ready;
};
