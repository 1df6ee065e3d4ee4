#include "DescriptorLoop.h"

// Without epoll, poll(2) is the best this platform is known to give.
std::unique_ptr<CEventLoop> CreateBestLoop() {
    return CreatePollLoop();
}
