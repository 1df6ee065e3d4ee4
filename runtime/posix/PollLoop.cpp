#include "DescriptorLoop.h"
#include "PollEvents.h"

#include "runtime/LoopPollArray.h"

#include <cerrno>

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
        m_fds.Set(handle, PollEventsFor(events, kPollBits));
        return true;
    }

    void Unregister(WaitHandle handle) override { m_fds.Remove(handle); }

    int WaitForReadiness(std::uint32_t timeoutMs) override {
        if (poll(m_fds.Data(), static_cast<nfds_t>(m_fds.Size()), PollTimeoutOf(timeoutMs)) < 0) {
            return errno == EINTR ? 0 : -1;
        }
        int called = 0;
        for (const auto& ready :
             m_fds.TakeReady([this](WaitHandle handle) { return GenerationOf(handle); })) {
            called += Deliver(ready.handle, ready.generation,
                              LoopEventsOf(static_cast<unsigned short>(ready.revents), kPollBits));
        }
        return called;
    }

private:
    CLoopPollArray<pollfd> m_fds;
};

} // namespace

std::unique_ptr<CEventLoop> CreatePollLoop() {
    return std::make_unique<CPollLoop>();
}
