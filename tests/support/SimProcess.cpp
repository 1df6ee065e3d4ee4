#include "SimProcess.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

SimLog CSimProcess::ReadLog() const {
    return ParseSimLog(ReadWholeFile(LogPath()));
}

bool CSimProcess::WaitForLine(const std::string& text, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (const SimLogLine& line : ReadLog().lines) {
            if (line.text == text) {
                return true;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string CSimProcess::ErrorOutput() const {
    return ReadWholeFile(ErrorPath());
}
