#include "ProbeThreads.h"

#include <system_error>

CProbeThreads::~CProbeThreads() {
    for (Worker& worker : m_workers) {
        worker.thread.join();
    }
}

bool CProbeThreads::Start(std::function<void()> work) {
    m_workers.remove_if([](Worker& worker) {
        const bool ended = worker.ended->load();
        if (ended) {
            worker.thread.join();
        }
        return ended;
    });
    auto ended = std::make_shared<std::atomic<bool>>(false);
    try {
        m_workers.push_back({std::thread([work = std::move(work), ended] {
                                 work();
                                 ended->store(true);
                             }),
                             ended});
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
