// vantrex-exporter on 127.0.181.x to 127.0.185.x and 127.0.191.x to 127.0.193.x against the simulated
// device, and slow or many clients, loopback only.
#include "ExporterRun.h"
#include "LoopbackConnect.h"

#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

// A plain client socket from a loopback address of its own, for clients that behave as no library does.
class CRawClient {
public:
    CRawClient(const char* source, const char* address, int port)
        : m_socket(ConnectFrom(source, address, port)) {}
    ~CRawClient() {
        if (m_socket >= 0) {
            ::close(m_socket);
        }
    }
    CRawClient(const CRawClient&) = delete;
    CRawClient& operator=(const CRawClient&) = delete;

    bool Send(const std::string& bytes) const {
        return m_socket >= 0 && ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                                    static_cast<ssize_t>(bytes.size());
    }
    // What the peer sent until it closed, waiting up to ms; nullopt while it is still open then.
    std::optional<std::string> ReadUntilClosed(int ms) const {
        std::string received;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (m_socket >= 0 && std::chrono::steady_clock::now() < end) {
            pollfd one{m_socket, POLLIN, 0};
            if (::poll(&one, 1, 50) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t size = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (size <= 0) {
                return received;
            }
            received.append(buffer, static_cast<std::size_t>(size));
        }
        return std::nullopt;
    }

private:
    int m_socket = -1;
};

struct BadRequest {
    const char* name;
    int host; // the exporter listens on 127.0.181.<host>, one address a row
    std::vector<std::string> options;
    const char* method;
    std::string path;
    httplib::Headers headers;
    int status;
    const char* reason;    // the scrape error's reason label
    const char* text = ""; // the answer's text, where it matters
};

class ExporterRefusalTest : public ::testing::TestWithParam<BadRequest> {};

// Every refusal comes at once, contacts no device and is counted as a scrape error.
TEST_P(ExporterRefusalTest, RefusesWithoutProbing) {
    const BadRequest& c = GetParam();
    CExporterRun exporter("127.0.181." + std::to_string(c.host), kPort);
    ASSERT_TRUE(exporter.Start(c.options)) << exporter.Log();
    httplib::Client client = exporter.Client();
    const auto start = std::chrono::steady_clock::now();
    const std::string method = c.method;
    const httplib::Result result = method == "GET"      ? client.Get(c.path, c.headers)
                                   : method == "HEAD"   ? client.Head(c.path, c.headers)
                                   : method == "DELETE" ? client.Delete(c.path, c.headers)
                                                        : client.Post(c.path, c.headers, "x", "text/plain");
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, c.status) << result->body;
    EXPECT_EQ(result->get_header_value("Connection"), "close");
    EXPECT_NE(result->body.find(c.text), std::string::npos) << result->body;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    const httplib::Result metrics = exporter.Client().Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_EQ(SampleValue(metrics->body, "vantrex_exporter_probes_total"), 0.0);
    EXPECT_EQ(SampleValue(metrics->body,
                          std::string("vantrex_exporter_scrape_errors_total{reason=\"") + c.reason + "\"}"),
              1.0)
        << metrics->body;
}

const std::vector<std::string> kAllowSome{"--allow", "127.0.181.0/28"};

INSTANTIATE_TEST_SUITE_P(
    Requests, ExporterRefusalTest,
    ::testing::Values(
        BadRequest{
            "OutsideAllow", 101, kAllowSome, "GET", "/probe?target=127.0.181.16", {}, 403, "forbidden"},
        BadRequest{"NoAllowNorDevices", 102, {}, "GET", "/probe?target=127.0.181.2", {}, 403, "forbidden"},
        BadRequest{
            "MalformedTarget", 103, kAllowSome, "GET", "/probe?target=127.0.181", {}, 400, "malformed"},
        BadRequest{"NameTarget", 104, kAllowSome, "GET", "/probe?target=localhost", {}, 400, "malformed"},
        BadRequest{"NoTarget", 105, kAllowSome, "GET", "/probe", {}, 400, "malformed"},
        BadRequest{"OverlongRequestLine",
                   106,
                   kAllowSome,
                   "GET",
                   "/" + std::string(9000, 'a'),
                   {},
                   414,
                   "too-large"},
        BadRequest{"OverlongHead",
                   107,
                   kAllowSome,
                   "GET",
                   "/",
                   {{"X-Long", std::string(17000, 'a')}},
                   431,
                   "too-large"},
        BadRequest{"Post", 108, kAllowSome, "POST", "/metrics", {}, 405, "method"},
        BadRequest{"Delete", 109, kAllowSome, "DELETE", "/probe?target=127.0.181.2", {}, 405, "method"},
        BadRequest{"UnknownPath", 110, kAllowSome, "GET", "/metrics/x", {}, 404, "not-found"},
        BadRequest{"HeadProbe", 111, kAllowSome, "HEAD", "/probe?target=127.0.181.2", {}, 405, "method"},
        BadRequest{"NetworkAddress",
                   112,
                   kAllowSome,
                   "GET",
                   "/probe?target=127.0.181.0",
                   {},
                   403,
                   "forbidden",
                   "network address of 127.0.181.0/28"},
        BadRequest{"BroadcastAddress",
                   113,
                   kAllowSome,
                   "GET",
                   "/probe?target=127.0.181.15",
                   {},
                   403,
                   "forbidden",
                   "broadcast address of 127.0.181.0/28"},
        BadRequest{"ScrapeTimeoutTooShort",
                   114,
                   kAllowSome,
                   "GET",
                   "/probe?target=127.0.181.2",
                   {{"X-Prometheus-Scrape-Timeout-Seconds", "3"}},
                   400,
                   "malformed",
                   "scrape timeout 3 s is shorter than a reading (4 s)"}),
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
    EXPECT_EQ(PromtoolFindings(probe->body, "probe"), "")
        << probe->status << ' ' << probe->body << exporter.Log();
}

// How many connections the device has had: each starts by asking for the version.
std::size_t Connections(const CSimProcess& sim) {
    const SimLog log = sim.ReadLog();
    return static_cast<std::size_t>(std::count_if(
        log.lines.begin(), log.lines.end(), [](const SimLogLine& line) { return line.text == "version"; }));
}

// SIGHUP connects the devices added and drops those removed; the others keep their connections.
TEST(ExporterFleetTest, HangupChangesOnlyWhatTheListChanged) {
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
    std::ofstream(list) << "127.0.184.10\n127.0.184.11\n";
    exporter.Signal(SIGHUP);
    std::string page = PageWith(exporter, "vantrex_up{address=\"127.0.184.11\"}");
    EXPECT_EQ(SampleValue(page, "vantrex_up{address=\"127.0.184.11\"}"), 1.0) << page;
    EXPECT_EQ(SampleValue(page, "vantrex_up{address=\"127.0.184.10\"}"), 1.0) << page;
    EXPECT_EQ(Connections(first), 1u);
    std::ofstream(list) << "127.0.184.11\n";
    exporter.Signal(SIGHUP);
    ASSERT_TRUE(exporter.WaitForSample("vantrex_exporter_devices", 1, 10000)) << exporter.Log();
    page = PageWith(exporter, "vantrex_up{address=\"127.0.184.11\"}");
    EXPECT_FALSE(SampleValue(page, "vantrex_up{address=\"127.0.184.10\"}")) << page;
    EXPECT_EQ(Connections(second), 1u);
}

// A device that hangs with its connection open is shown not up once its reading is older than two
// intervals and the time-out, with the time of its last reading.
TEST(ExporterFleetTest, AHungDeviceGoesStale) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.184.12"))) << sim.ErrorOutput();
    CExporterRun exporter("127.0.184.2", kPort);
    ASSERT_TRUE(exporter.Start({"127.0.184.12", "--interval", "1", "--timeout", "4", "--no-ntp"}))
        << exporter.Log();
    const std::string up = "vantrex_up{address=\"127.0.184.12\"}";
    ASSERT_EQ(SampleValue(PageWith(exporter, up), up), 1.0);
    ASSERT_TRUE(sim.Signal(SIGSTOP));
    const std::string stale = "vantrex_problem{address=\"127.0.184.12\",code=\"stale\"}";
    const std::string page = PageWith(exporter, stale);
    (void)sim.Signal(SIGCONT);
    EXPECT_EQ(SampleValue(page, up), 0.0) << page;
    EXPECT_TRUE(SampleValue(page, "vantrex_last_reading_timestamp_seconds{address=\"127.0.184.12\"}"))
        << page;
}

// The moment the log says ready, /-/ready answers 200 and /metrics shows every listed device, not a
// reading pending: a scraper that waits for either finds them all.
TEST(ExporterFleetTest, ReadyOnlyOnceTheMetricsShowEveryListedDevice) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.184.13"))) << sim.ErrorOutput();
    CExporterRun exporter("127.0.184.3", kPort);
    ASSERT_TRUE(exporter.Start({"127.0.184.13", "--no-ntp"})) << exporter.Log();
    ASSERT_TRUE(exporter.WaitForLog("msg=\"ready: every device listed", 20000)) << exporter.Log();
    httplib::Client client = exporter.Client();
    const httplib::Result ready = client.Get("/-/ready");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->status, 200) << ready->body;
    const httplib::Result metrics = client.Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_EQ(SampleValue(metrics->body, "vantrex_up{address=\"127.0.184.13\"}"), 1.0) << metrics->body;
    EXPECT_FALSE(SampleValue(metrics->body, "vantrex_reading_pending{address=\"127.0.184.13\"}"))
        << metrics->body;
}

TEST(ExporterProbeTest, RefusesProbesBeyondTheLimitWithRetryAfter) {
    CSimProcess silent;
    ASSERT_TRUE(silent.Start(SimOptions("127.0.185.10", {"--silent"}))) << silent.ErrorOutput();
    CExporterRun exporter("127.0.185.1", kPort);
    ASSERT_TRUE(exporter.Start({"--allow", "127.0.185.0/28", "--max-probes", "1", "--no-ntp"}))
        << exporter.Log();
    const int threads = exporter.Threads();
    // The silent device holds the one place until the scraper's limit; the exporter's end frees it.
    std::thread holder([&exporter] {
        (void)exporter.Client().Get("/probe?target=127.0.185.10",
                                    {{"X-Prometheus-Scrape-Timeout-Seconds", "20.5"}});
    });
    EXPECT_TRUE(exporter.WaitForSample("vantrex_exporter_probes_in_flight", 1, 5000));
    // No thread of its own; ThreadSanitizer's runtime may start one.
    EXPECT_LE(exporter.Threads(), threads + 1);
    const httplib::Result result =
        exporter.Client().Get("/probe?target=127.0.185.10", {{"X-Prometheus-Scrape-Timeout-Seconds", "4"}});
    exporter.Signal(SIGTERM);
    holder.join();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 503);
    EXPECT_EQ(result->get_header_value("Retry-After"), "1");
}

// A probe under way when the exporter is told to end says nothing of the device: 503, not success 0.
TEST(ExporterProbeTest, AnswersAProbeEndedByTheExporterStopping503) {
    CSimProcess silent;
    ASSERT_TRUE(silent.Start(SimOptions("127.0.185.11", {"--silent"}))) << silent.ErrorOutput();
    CExporterRun exporter("127.0.185.3", kPort);
    ASSERT_TRUE(exporter.Start({"--allow", "127.0.185.0/28", "--no-ntp"})) << exporter.Log();
    int status = 0;
    std::string retryAfter;
    std::thread prober([&exporter, &status, &retryAfter] {
        const httplib::Result result = exporter.Client().Get(
            "/probe?target=127.0.185.11", {{"X-Prometheus-Scrape-Timeout-Seconds", "20.5"}});
        status = result ? result->status : -1;
        retryAfter = result ? result->get_header_value("Retry-After") : "";
    });
    EXPECT_TRUE(exporter.WaitForSample("vantrex_exporter_probes_in_flight", 1, 5000));
    exporter.Signal(SIGTERM);
    prober.join();
    EXPECT_EQ(status, 503);
    EXPECT_EQ(retryAfter, "1");
}

// A probe whose client has gone ends: it no longer holds one of the --max-probes places.
TEST(ExporterProbeTest, EndsAProbeWhenItsClientLeaves) {
    CSimProcess silent;
    ASSERT_TRUE(silent.Start(SimOptions("127.0.185.12", {"--silent"}))) << silent.ErrorOutput();
    CExporterRun exporter("127.0.185.4", kPort);
    ASSERT_TRUE(exporter.Start(
        {"--allow", "127.0.185.0/28", "--max-probes", "1", "--no-ntp", "--log.level", "debug"}))
        << exporter.Log();
    {
        CRawClient leaving("127.0.185.100", "127.0.185.4", kPort);
        ASSERT_TRUE(leaving.Send("GET /probe?target=127.0.185.12 HTTP/1.1\r\nHost: e\r\n"
                                 "X-Prometheus-Scrape-Timeout-Seconds: 50\r\n\r\n"));
        ASSERT_TRUE(exporter.WaitForSample("vantrex_exporter_probes_in_flight", 1, 5000));
    }
    ASSERT_TRUE(exporter.WaitForLog(
        "client=127.0.185.100 method=GET path=\"/probe?target=127.0.185.12\" status=left", 5000))
        << exporter.Log();
    const httplib::Result next =
        exporter.Client().Get("/probe?target=127.0.185.12", {{"X-Prometheus-Scrape-Timeout-Seconds", "4"}});
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200) << next->body;
    EXPECT_EQ(SampleValue(next->body, "vantrex_probe_success"), 0.0);
}

// Probes that this host cannot make for want of descriptors say so: 503 with Retry-After, logged and
// counted, never the device down (it answers). Twelve probes at once, with a link each, and their twelve
// clients need more than 24 descriptors.
TEST(ExporterProbeTest, AnswersProbesWithoutDescriptors503) {
#ifdef VANTREX_TYPE_CHECKS_NEED_DESCRIPTORS
    GTEST_SKIP() << "the sanitizer's type checks fail without descriptors; the other builds run this test";
#endif
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.192.10"))) << sim.ErrorOutput();
    CExporterRun exporter("127.0.192.1", kPort);
    exporter.LimitDescriptors(24);
    ASSERT_TRUE(exporter.Start({"--allow", "127.0.192.0/28", "--no-ntp", "--max-probes", "12"}))
        << exporter.Log();
    std::vector<std::unique_ptr<CRawClient>> probers;
    for (int index = 0; index < 12; ++index) {
        probers.push_back(std::make_unique<CRawClient>("127.0.192.100", "127.0.192.1", kPort));
        ASSERT_TRUE(probers.back()->Send(
            "GET /probe?target=127.0.192.10 HTTP/1.1\r\nHost: e\r\nConnection: close\r\n\r\n"));
    }
    int unavailable = 0;
    for (const std::unique_ptr<CRawClient>& prober : probers) {
        const std::optional<std::string> answer = prober->ReadUntilClosed(20000);
        ASSERT_TRUE(answer) << exporter.Log();
        if (answer->starts_with("HTTP/1.1 503 ")) {
            ++unavailable;
            EXPECT_NE(answer->find("\r\nRetry-After: 1\r\n"), std::string::npos) << *answer;
        } else {
            EXPECT_TRUE(answer->starts_with("HTTP/1.1 200 ")) << *answer;
            EXPECT_NE(answer->find("\nvantrex_probe_success 1\n"), std::string::npos) << *answer;
        }
    }
    EXPECT_GT(unavailable, 0) << exporter.Log();
    EXPECT_TRUE(exporter.WaitForLog("msg=\"cannot probe\" target=127.0.192.10 reason=", 5000))
        << exporter.Log();
    const httplib::Result metrics = exporter.Client().Get("/metrics");
    ASSERT_TRUE(metrics) << exporter.Log();
    EXPECT_EQ(SampleValue(metrics->body, "vantrex_exporter_scrape_errors_total{reason=\"local-failure\"}"),
              static_cast<double>(unavailable))
        << metrics->body;
}

// Slow clients are answered 408 and closed; a head too large 431 and closed; idle connections, slow
// clients and a full quota of one address hold no thread and keep no one else from /metrics.
TEST(ExporterServiceTest, SlowAndManyClientsNeitherHoldThreadsNorBlockScrapes) {
    CExporterRun exporter("127.0.191.1", kPort);
    ASSERT_TRUE(exporter.Start({"--max-connections-per-client", "250"})) << exporter.Log();
    const int threads = exporter.Threads();
    std::vector<std::unique_ptr<CRawClient>> idle;
    for (int host = 0; host < 300; ++host) {
        idle.push_back(std::make_unique<CRawClient>(host < 250 ? "127.0.191.100" : "127.0.191.101",
                                                    "127.0.191.1", kPort));
    }
    // Beyond the per-address quota: closed at once.
    CRawClient refused("127.0.191.100", "127.0.191.1", kPort);
    EXPECT_EQ(refused.ReadUntilClosed(2000), "");
    CRawClient trickling("127.0.191.102", "127.0.191.1", kPort);
    CRawClient large("127.0.191.103", "127.0.191.1", kPort);
    ASSERT_TRUE(trickling.Send("GET /metrics HTTP/1.1\r\n"));
    ASSERT_TRUE(large.Send("GET /metrics HTTP/1.1\r\n"));
    for (int line = 0; line < 200; ++line) {
        (void)large.Send("X-Filler-" + std::to_string(line) + ": " + std::string(100, 'a') + "\r\n");
    }
    const std::optional<std::string> tooLarge = large.ReadUntilClosed(2000);
    ASSERT_TRUE(tooLarge);
    EXPECT_TRUE(tooLarge->starts_with("HTTP/1.1 431 ")) << *tooLarge;
    const auto start = std::chrono::steady_clock::now();
    const httplib::Result metrics = exporter.Client().Get("/metrics", {{"Range", "bytes=0-99"}});
    ASSERT_TRUE(metrics);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // A range of the page is neither sent nor asked for: the whole page.
    EXPECT_EQ(metrics->status, 200);
    EXPECT_GT(metrics->body.size(), 100u);
    // 300 connections would be 300 threads; ThreadSanitizer's runtime may start one of its own meanwhile.
    EXPECT_LE(exporter.Threads(), threads + 1);
    // A header line a second: the request is not whole within 5 s.
    std::optional<std::string> timedOut;
    for (int second = 0; second < 10 && !timedOut; ++second) {
        (void)trickling.Send("X-Slow: " + std::to_string(second) + "\r\n");
        timedOut = trickling.ReadUntilClosed(1000);
    }
    ASSERT_TRUE(timedOut);
    EXPECT_TRUE(timedOut->starts_with("HTTP/1.1 408 ")) << *timedOut;
    const std::string page = exporter.Client().Get("/metrics")->body;
    EXPECT_EQ(SampleValue(page, "vantrex_exporter_connections_refused_total{limit=\"per-client\"}"), 1.0)
        << page;
    EXPECT_EQ(SampleValue(page, "vantrex_exporter_scrape_errors_total{reason=\"timeout\"}"), 1.0) << page;
}

// With every place taken by idle connections, a scraper still gets one: the longest idle gives way.
TEST(ExporterServiceTest, IdleConnectionsGiveWayToAScraperAtTheLimit) {
    CExporterRun exporter("127.0.191.4", kPort);
    ASSERT_TRUE(exporter.Start({"--max-connections", "16"})) << exporter.Log();
    std::vector<std::unique_ptr<CRawClient>> idle;
    for (int index = 0; index < 16; ++index) {
        idle.push_back(std::make_unique<CRawClient>("127.0.191.105", "127.0.191.4", kPort));
    }
    const httplib::Result metrics = exporter.Client().Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_EQ(metrics->status, 200);
    EXPECT_EQ(idle.front()->ReadUntilClosed(2000), "");
}

// A second exporter on the same address and port fails instead of sharing it.
TEST(ExporterServiceTest, RefusesAPortInUse) {
    CExporterRun first("127.0.191.2", kPort);
    ASSERT_TRUE(first.Start({})) << first.Log();
    CExporterRun second("127.0.191.2", kPort);
    ASSERT_TRUE(second.Launch({}));
    EXPECT_EQ(second.Finish(5000), 1);
    EXPECT_NE(second.Log().find("msg=\"cannot listen\" address=127.0.191.2 port=20716 reason=\"in use\""),
              std::string::npos)
        << second.Log();
}

// Prometheus asks for gzip: the page comes compressed, and reads as the page.
TEST(ExporterServiceTest, CompressesMetricsWhenAsked) {
    CExporterRun exporter("127.0.191.3", kPort);
    ASSERT_TRUE(exporter.Start({})) << exporter.Log();
    CRawClient client("127.0.191.104", "127.0.191.3", kPort);
    ASSERT_TRUE(client.Send(
        "GET /metrics HTTP/1.1\r\nHost: e\r\nAccept-Encoding: gzip\r\nConnection: close\r\n\r\n"));
    const std::optional<std::string> answer = client.ReadUntilClosed(5000);
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->find("\r\nContent-Encoding: gzip\r\n"), std::string::npos) << *answer;
    const httplib::Result plain = exporter.Client().Get("/metrics");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->get_header_value("Content-Encoding"), "");
    EXPECT_NE(plain->body.find("vantrex_exporter_build_info"), std::string::npos);
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
