#pragma once

#include <cstddef>
#include <limits>

// The sockets that a fleet's links may hold at once, within the descriptors this process may open: a
// device starts only with room for every socket its race may open, so that no link of it ever finds the
// descriptors exhausted and reports this PC's shortage as the device's fault.
class CSocketBudget {
public:
    static constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

    explicit CSocketBudget(std::size_t sockets = kUnbounded) : m_left(sockets) {}

    // Whether count sockets are left.
    bool HasRoom(std::size_t count) const { return m_left >= count; }
    // Takes count sockets, which the caller has checked are left.
    void Take(std::size_t count) { m_left -= count; }
    void GiveBack(std::size_t count) { m_left += count; }
    std::size_t Left() const { return m_left; }

private:
    std::size_t m_left;
};
