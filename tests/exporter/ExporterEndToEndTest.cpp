// vantrex-exporter on 127.0.181.x to 127.0.185.x against the simulated device, loopback only.
#include "ExporterRun.h"

#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

constexpr int kPort = 20716;
constexpr const char* kNtpPort = "20123";

std::vector<std::string> SimOptions(const std::string& address, std::vector<std::string> extra = {}) {
    std::vector<std::string> options{"--address", address, "--telnet-port", "0", "--ntp-port", kNtpPort};
    options.insert(options.end(), extra.begin(), extra.end());
    return options;
}

struct BadRequest {
    const char* name;
    int host; // the exporter listens on 127.0.181.<host>, one address a row
    std::vector<std::string> options;
    const char* method;
    std::string path;
    httplib::Headers headers;
    int status;
};

class ExporterRefusalTest : public ::testing::TestWithParam<BadRequest> {};

// Every refusal comes at once, contacts no device and is counted as a scrape error.
TEST_P(ExporterRefusalTest, RefusesWithoutProbing) {
    const BadRequest& c = GetParam();
    CExporterRun exporter("127.0.181." + std::to_string(c.host), kPort);
    ASSERT_TRUE(exporter.Start(c.options)) << exporter.Log();
    httplib::Client client = exporter.Client();
    const auto start = std::chrono::steady_clock::now();
    const httplib::Result result = std::string(c.method) == "GET" ? client.Get(c.path, c.headers)
                                   : std::string(c.method) == "DELETE"
                                       ? client.Delete(c.path, c.headers)
                                       : client.Post(c.path, c.headers, "x", "text/plain");
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, c.status) << result->body;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    const httplib::Result metrics = client.Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_EQ(SampleValue(metrics->body, "vantrex_exporter_probes_total"), 0.0);
    EXPECT_EQ(SampleValue(metrics->body, "vantrex_exporter_scrape_errors_total"), 1.0);
}

const std::vector<std::string> kAllowSome{"--allow", "127.0.181.0/28"};

INSTANTIATE_TEST_SUITE_P(
    Requests, ExporterRefusalTest,
    ::testing::Values(
        BadRequest{"OutsideAllow", 101, kAllowSome, "GET", "/probe?target=127.0.181.16", {}, 403},
        BadRequest{"NoAllowNorDevices", 102, {}, "GET", "/probe?target=127.0.181.2", {}, 403},
        BadRequest{"MalformedTarget", 103, kAllowSome, "GET", "/probe?target=127.0.181", {}, 400},
        BadRequest{"NameTarget", 104, kAllowSome, "GET", "/probe?target=localhost", {}, 400},
        BadRequest{"NoTarget", 105, kAllowSome, "GET", "/probe", {}, 400},
        BadRequest{"OverlongRequestLine", 106, kAllowSome, "GET", "/" + std::string(9000, 'a'), {}, 414},
        BadRequest{"OverlongHeader", 107, kAllowSome, "GET", "/", {{"X-Long", std::string(9000, 'a')}}, 400},
        BadRequest{"Post", 108, kAllowSome, "POST", "/metrics", {}, 405},
        BadRequest{"Delete", 109, kAllowSome, "DELETE", "/probe?target=127.0.181.2", {}, 405},
        BadRequest{"UnknownPath", 110, kAllowSome, "GET", "/metrics/x", {}, 404}),
    [](const ::testing::TestParamInfo<BadRequest>& info) { return std::string(info.param.name); });

struct ProbeCase {
    const char* target;
    double success;
};

TEST(ExporterProbeTest, AnswersWithTheDeviceSeriesAndTheProbeOutcome) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.182.10"))) << sim.ErrorOutput();
    CExporterRun exporter("127.0.182.1", kPort);
    ASSERT_TRUE(exporter.Start({"--allow", "127.0.182.0/28", "--ntp-port", kNtpPort})) << exporter.Log();
    // A device that answers, and an address where none listens.
    for (const ProbeCase& c : {ProbeCase{"127.0.182.10", 1}, ProbeCase{"127.0.182.11", 0}}) {
        const httplib::Result result = exporter.Client().Get(std::string("/probe?target=") + c.target);
        ASSERT_TRUE(result) << c.target;
        EXPECT_EQ(result->status, 200) << c.target;
        EXPECT_EQ(SampleValue(result->body, "vantrex_probe_success"), c.success) << result->body;
        EXPECT_EQ(SampleValue(result->body, std::string("vantrex_up{address=\"") + c.target + "\"}"),
                  c.success)
            << result->body;
    }
}

// Waits up to 30 s until /metrics shows series.
std::string PageWith(CExporterRun& exporter, const std::string& series) {
    std::string page;
    for (int attempt = 0; attempt < 150 && !SampleValue(page, series); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const httplib::Result result = exporter.Client().Get("/metrics");
        page = result ? result->body : "";
    }
    return page;
}

// promtool's findings on page; empty when it accepts it.
std::string PromtoolFindings(const std::string& page, const std::string& name) {
    const std::string path = ::testing::TempDir() + "exporter-" + name + ".prom";
    std::ofstream(path) << page;
    std::FILE* pipe =
        ::popen(("promtool check metrics < '" + path + "' 2>&1; echo \"exit $?\"").c_str(), "r");
    std::string output;
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return output == "exit 0\n" ? "" : output;
}

TEST(ExporterPagesTest, PromtoolAcceptsMetricsAndProbePages) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.183.10", {"--letter", "V"}))) << sim.ErrorOutput();
    CExporterRun exporter("127.0.183.1", kPort);
    ASSERT_TRUE(exporter.Start({"127.0.183.10", "--interval", "1", "--ntp-port", kNtpPort}))
        << exporter.Log();
    const httplib::Result probe = exporter.Client().Get("/probe?target=127.0.183.10");
    ASSERT_TRUE(probe);
    const std::string metrics = PageWith(exporter, "vantrex_gps_locked{address=\"127.0.183.10\"}");
    EXPECT_EQ(SampleValue(metrics, "vantrex_gps_locked{address=\"127.0.183.10\"}"), 0.0) << metrics;
    EXPECT_EQ(PromtoolFindings(metrics, "metrics"), "") << metrics;
    EXPECT_EQ(PromtoolFindings(probe->body, "probe"), "") << probe->body;
}

TEST(ExporterFleetTest, HangupReadsTheListAgain) {
    CSimProcess first;
    CSimProcess second;
    ASSERT_TRUE(first.Start(SimOptions("127.0.184.10"))) << first.ErrorOutput();
    ASSERT_TRUE(second.Start(SimOptions("127.0.184.11"))) << second.ErrorOutput();
    const std::string list = ::testing::TempDir() + "exporter-fleet.txt";
    std::ofstream(list) << "127.0.184.10\n";
    CExporterRun exporter("127.0.184.1", kPort);
    ASSERT_TRUE(exporter.Start({"--from", list, "--interval", "1", "--no-ntp"})) << exporter.Log();
    ASSERT_TRUE(SampleValue(PageWith(exporter, "vantrex_up{address=\"127.0.184.10\"}"),
                            "vantrex_up{address=\"127.0.184.10\"}"));
    std::ofstream(list) << "127.0.184.11\n";
    exporter.Signal(SIGHUP);
    const std::string page = PageWith(exporter, "vantrex_up{address=\"127.0.184.11\"}");
    EXPECT_EQ(SampleValue(page, "vantrex_up{address=\"127.0.184.11\"}"), 1.0) << page;
    EXPECT_FALSE(SampleValue(page, "vantrex_up{address=\"127.0.184.10\"}")) << page;
}

TEST(ExporterProbeTest, RefusesProbesBeyondTheLimitWithRetryAfter) {
    CSimProcess silent;
    ASSERT_TRUE(silent.Start(SimOptions("127.0.185.10", {"--silent"}))) << silent.ErrorOutput();
    CExporterRun exporter("127.0.185.1", kPort);
    ASSERT_TRUE(exporter.Start({"--allow", "127.0.185.0/28", "--max-probes", "1", "--no-ntp"}))
        << exporter.Log();
    // The silent device holds the one place until the scraper's limit; the exporter's end frees it.
    std::thread holder([&exporter] {
        (void)exporter.Client().Get("/probe?target=127.0.185.10",
                                    {{"X-Prometheus-Scrape-Timeout-Seconds", "20.5"}});
    });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const httplib::Result result =
        exporter.Client().Get("/probe?target=127.0.185.10", {{"X-Prometheus-Scrape-Timeout-Seconds", "1.5"}});
    exporter.Signal(SIGTERM);
    holder.join();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 503);
    EXPECT_EQ(result->get_header_value("Retry-After"), "1");
}

// How many of count connections to address:port, all started at once, are made within waitMs.
int ConnectedInBurst(const char* address, int port, int count, int waitMs) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address, &peer.sin_addr);
    std::vector<pollfd> sockets;
    for (int index = 0; index < count; ++index) {
        const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        (void)::connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        sockets.push_back({socket, POLLOUT, 0});
    }
    int connected = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (connected < count && std::chrono::steady_clock::now() < end) {
        (void)::poll(sockets.data(), sockets.size(), 50);
        for (pollfd& one : sockets) {
            int error = -1;
            socklen_t size = sizeof error;
            if (one.fd >= 0 && (one.revents & POLLOUT) != 0 &&
                ::getsockopt(one.fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
                ++connected;
                ::close(one.fd);
                one.fd = -1;
            }
        }
    }
    for (const pollfd& one : sockets) {
        if (one.fd >= 0) {
            ::close(one.fd);
        }
    }
    return connected;
}

// A scraper with many targets connects to all of them at once: each connection is taken at once, none
// waits for the system to send its request again a second later.
TEST(ExporterServiceTest, TakesABurstOfConnectionsAtOnce) {
    CExporterRun exporter("127.0.185.2", kPort);
    ASSERT_TRUE(exporter.Start({})) << exporter.Log();
    constexpr int kBurst = 200;
    EXPECT_EQ(ConnectedInBurst("127.0.185.2", kPort, kBurst, 900), kBurst);
}

} // namespace
