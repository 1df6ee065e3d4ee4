#include "ExporterRun.h"

#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

// A log of its own for every exporter: the tests run at once in processes of their own, each exporter on
// the same port, and one test may start two on the same address.
std::string NewLogPath(const std::string& address, int port) {
    static std::atomic<int> made{0};
    return ::testing::TempDir() + "exporter-" + address + "-" + std::to_string(port) + "-" +
           std::to_string(++made) + ".log";
}

} // namespace

CExporterRun::CExporterRun(std::string address, int port)
    : m_address(std::move(address)), m_port(port), m_logPath(NewLogPath(m_address, port)) {}

bool CExporterRun::Launch(const std::vector<std::string>& options) {
    std::vector<std::string> arguments;
    if (m_descriptorLimit > 0) {
        // prlimit runs the program in its own place, so the process is still the exporter.
        const std::string limit = std::to_string(m_descriptorLimit);
        arguments = {"/usr/bin/prlimit", "--nofile=" + limit + ":" + limit, "--"};
    }
    arguments.insert(arguments.end(),
                     {VANTREX_EXPORTER_PATH, "--listen", m_address + ":" + std::to_string(m_port)});
    arguments.insert(arguments.end(), options.begin(), options.end());
    return m_process.Start(arguments, m_logPath);
}

int CExporterRun::Threads() const {
    std::ifstream status("/proc/" + std::to_string(m_process.Pid()) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Threads:")) {
            return std::stoi(line.substr(8));
        }
    }
    return -1;
}

bool CExporterRun::WaitForSample(const std::string& series, double value, int timeoutMs) const {
    return WaitUntil(
        [this, &series, value] {
            const httplib::Result page = Client().Get("/metrics");
            return page && SampleValue(page->body, series) == value;
        },
        timeoutMs);
}

bool CExporterRun::WaitForLog(const std::string& text, int timeoutMs) const {
    return WaitUntil([this, &text] { return Log().find(text) != std::string::npos; }, timeoutMs);
}

bool CExporterRun::Start(const std::vector<std::string>& options) {
    if (!Launch(options)) {
        return false;
    }
    httplib::Client client = Client();
    for (int attempt = 0; attempt < 100 && m_process.IsRunning(); ++attempt) {
        if (const httplib::Result result = client.Get("/-/healthy"); result && result->status == 200) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

httplib::Client CExporterRun::Client() const {
    httplib::Client client(m_address, m_port);
    client.set_connection_timeout(std::chrono::seconds(5));
    client.set_read_timeout(std::chrono::seconds(30));
    return client;
}

void CExporterRun::Signal(int signalNumber) {
    ::kill(m_process.Pid(), signalNumber);
}

std::string CExporterRun::Log() const {
    std::ifstream file(m_logPath);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
