#pragma once

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
    // A client of the running exporter that waits up to 30 s for an answer.
    httplib::Client Client() const;
    // Sends signalNumber to the exporter.
    void Signal(int signalNumber);
    // What it wrote to stderr so far.
    std::string Log() const;

private:
    std::string m_address;
    int m_port;
    std::string m_logPath;
    CChildProcess m_process;
};

// The value of the sample that starts with series ("vantrex_up{address=\"127.0.180.2\"}") on page.
std::optional<double> SampleValue(const std::string& page, const std::string& series);
