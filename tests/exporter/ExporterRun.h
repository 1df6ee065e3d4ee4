#pragma once

#include "PageSamples.h"

#include "tests/support/ChildProcess.h"

#include <httplib.h>

#include <optional>
#include <string>
#include <vector>

// vantrex-exporter run for one test on a loopback address and port of its own, stopped at the end.
class CExporterRun {
public:
    CExporterRun(std::string address, int port);

    // Starts it with --listen and options, and waits up to 10 s until /-/healthy answers.
    bool Start(const std::vector<std::string>& options);
    // Starts it with --listen and options, and returns at once.
    bool Launch(const std::vector<std::string>& options);
    // Makes the next start run it with at most count open descriptors (prlimit), as a host short of them.
    void LimitDescriptors(int count) { m_descriptorLimit = count; }
    // Lets it end by itself within timeoutMs, then stops it; its exit status.
    int Finish(int timeoutMs) { return m_process.Finish(timeoutMs); }
    // Its threads now; -1 when unknown.
    int Threads() const;
    // Waits up to timeoutMs until its /metrics shows series at value.
    bool WaitForSample(const std::string& series, double value, int timeoutMs) const;
    // Waits up to timeoutMs until its log holds text.
    bool WaitForLog(const std::string& text, int timeoutMs) const;
    // A client of the running exporter that waits up to 30 s for an answer.
    httplib::Client Client() const;
    // Sends signalNumber to the exporter.
    void Signal(int signalNumber);
    // What it wrote to stderr so far.
    std::string Log() const;

private:
    std::string m_address;
    int m_port;
    int m_descriptorLimit = 0; // 0: as the test's own
    std::string m_logPath;
    CChildProcess m_process;
};
