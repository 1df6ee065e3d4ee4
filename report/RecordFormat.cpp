#include "RecordFormat.h"

#include "MetricWriter.h"

#include "devicetext/DeviceText.h"
#include "health/NumberText.h"
#include "runtime/TimeUnits.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace {

// A Unix time in seconds keeps its microseconds, which nine significant digits would round to 10 s.
constexpr const char* kUnixTimeFormat = "%.6f";

std::string StateText(const std::optional<bool>& state, const char* yes, const char* no) {
    return state ? (*state ? yes : no) : "-";
}

std::string OffsetText(const DeviceRecord& record) {
    if (!record.offsetSeconds) {
        return "-";
    }
    return FormatNumber("%+.6fs", *record.offsetSeconds) +
           FormatNumber("±%.3fs", ShellOffsetUncertainty(record));
}

// A leap second announced: news worth a word on the line, even in the month it is due.
std::string LeapText(int leap) {
    return leap == 1 ? " leap second +1" : leap == 2 ? " leap second -1" : "";
}

std::string NtpText(const DeviceRecord& record) {
    if (!record.ntp) {
        return "";
    }
    const NtpResult& ntp = *record.ntp;
    if (!ntp.answered) {
        return "  ntp " + ntp.failure;
    }
    return "  ntp stratum " + std::to_string(ntp.stratum) + " " + ntp.referenceId +
           FormatNumber(" %+.6fs", ntp.offsetSeconds) + FormatNumber("±%.3fs", NtpOffsetUncertainty(ntp)) +
           FormatNumber(" root distance %.6fs", RootDistance(ntp)) + LeapText(ntp.leap);
}

const NtpPeer* SystemPeerOf(const DeviceRecord& record) {
    return record.peers ? SystemPeer(*record.peers) : nullptr;
}

std::string PeerText(const DeviceRecord& record) {
    const NtpPeer* peer = SystemPeerOf(record);
    if (peer == nullptr) {
        return "";
    }
    return "  peer " + DeviceText(peer->remote) + FormatNumber(" %+.6fs", peer->offsetMs / kMsPerSecond) +
           FormatNumber(" jitter %.6fs", peer->jitterMs / kMsPerSecond) + " reach " +
           std::to_string(AnsweredPolls(peer->reach)) + "/8";
}

// " - " and the problems' texts, but for the failures the line shows already; empty when none is left.
std::string ProblemsText(const AssessedRecord& assessed) {
    const DeviceRecord& record = assessed.record;
    std::string text;
    for (const Problem& problem : assessed.health.problems) {
        const bool shown =
            (!record.reachable && problem.text == record.failure) ||
            (record.ntp && !record.ntp->answered && problem.text == "NTP: " + record.ntp->failure);
        if (!shown) {
            text += (text.empty() ? " - " : "; ") + problem.text;
        }
    }
    return text;
}

nlohmann::json OptionalJson(const std::optional<bool>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

nlohmann::json OptionalJson(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

nlohmann::json ProblemsJson(const std::vector<Problem>& problems) {
    nlohmann::json json = nlohmann::json::array();
    for (const Problem& problem : problems) {
        nlohmann::json one = {{"code", ProblemCodeName(problem.code)},
                              {"severity", SeverityName(problem.severity)},
                              {"text", problem.text}};
        if (problem.value) {
            one["value"] = *problem.value;
        }
        json.push_back(std::move(one));
    }
    return json;
}

nlohmann::json NtpJson(const NtpResult& ntp) {
    nlohmann::json json = {{"answered", ntp.answered}};
    if (ntp.ageSeconds) {
        json["age_seconds"] = *ntp.ageSeconds;
    }
    if (!ntp.answered) {
        json["failure"] = ntp.failure;
        return json;
    }
    json["stratum"] = ntp.stratum;
    json["reference_id"] = ntp.referenceId;
    json["leap"] = ntp.leap;
    json["offset_seconds"] = ntp.offsetSeconds;
    json["delay_seconds"] = ntp.delaySeconds;
    json["time"] = FormatIsoUtc(ntp.serverUnixMicros);
    json["time_unix"] = static_cast<double>(ntp.serverUnixMicros) / kMicrosPerSecond;
    json["root_delay_seconds"] = ntp.rootDelaySeconds;
    json["root_dispersion_seconds"] = ntp.rootDispersionSeconds;
    json["root_distance_seconds"] = RootDistance(ntp);
    json["precision_seconds"] = ntp.precisionSeconds;
    json["reference_time"] = ntp.referenceUnixMicros ? nlohmann::json(FormatIsoUtc(*ntp.referenceUnixMicros))
                                                     : nlohmann::json(nullptr);
    json["reference_time_unix"] =
        ntp.referenceUnixMicros
            ? nlohmann::json(static_cast<double>(*ntp.referenceUnixMicros) / kMicrosPerSecond)
            : nlohmann::json(nullptr);
    return json;
}

nlohmann::json PeerJson(const NtpPeer& peer) {
    char reach[8];
    std::snprintf(reach, sizeof reach, "%o", peer.reach);
    return {
        {"tally", std::string(1, peer.tally)},
        {"remote", DeviceText(peer.remote)},
        {"refid", DeviceText(peer.refid)},
        {"stratum", peer.stratum},
        {"type", DeviceText(std::string(1, peer.type))},
        {"when_seconds", peer.whenSeconds ? nlohmann::json(*peer.whenSeconds) : nlohmann::json(nullptr)},
        {"poll_seconds", peer.pollSeconds},
        {"reach", reach}, // octal, as the daemon prints it
        {"polls_answered", AnsweredPolls(peer.reach)},
        {"delay_seconds", peer.delayMs / kMsPerSecond},
        {"offset_seconds", peer.offsetMs / kMsPerSecond},
        {"jitter_seconds", peer.jitterMs / kMsPerSecond},
    };
}

nlohmann::json PeersJson(const std::optional<PeerTable>& table) {
    if (!table) {
        return nullptr;
    }
    nlohmann::json peers = nlohmann::json::array();
    for (const NtpPeer& peer : table->peers) {
        peers.push_back(PeerJson(peer));
    }
    return peers;
}

std::string AddressLabel(const DeviceRecord& record) {
    return "address=\"" + LabelValue(record.address) + '"';
}

// Writes one family with a sample for each record that has a value.
template <typename Value>
void WriteFamily(CMetricWriter& writer, const std::vector<AssessedRecord>& records, const char* name,
                 const char* help, Value value, const char* format = "%.9g") {
    writer.Family(name, help);
    for (const AssessedRecord& assessed : records) {
        if (const std::optional<double> sample = value(assessed.record)) {
            writer.Sample(name, AddressLabel(assessed.record), *sample, format);
        }
    }
}

// Writes one family with a sample for each problem, labelled with its code. An NTP check not ended, or
// this PC's failure, says nothing of the device and has none.
template <typename Value>
void WriteProblems(CMetricWriter& writer, const std::vector<AssessedRecord>& records, const char* name,
                   const char* help, Value value) {
    writer.Family(name, help);
    for (const AssessedRecord& assessed : records) {
        for (const Problem& problem : assessed.health.problems) {
            if (TellsOfTheDevice(problem.code)) {
                writer.Sample(name,
                              AddressLabel(assessed.record) + ",code=\"" +
                                  LabelValue(ProblemCodeName(problem.code)) + '"',
                              value(problem));
            }
        }
    }
}

// A sample of one figure of the system peer; none without one.
template <typename Figure>
auto OfSystemPeer(Figure figure) {
    return [figure](const DeviceRecord& record) {
        const NtpPeer* peer = SystemPeerOf(record);
        return peer ? std::optional<double>(figure(*peer)) : std::nullopt;
    };
}

std::optional<double> AsNumber(const std::optional<bool>& state) {
    return state ? std::optional<double>(*state ? 1.0 : 0.0) : std::nullopt;
}

// A sample of one figure of a valid NTP answer; none without one.
template <typename Figure>
auto OfNtpAnswer(Figure figure) {
    return [figure](const DeviceRecord& record) {
        const bool answered = record.ntp && record.ntp->answered;
        return answered ? std::optional<double>(figure(*record.ntp)) : std::nullopt;
    };
}

} // namespace

std::string FormatIsoUtc(std::int64_t unixMicros) {
    using namespace std::chrono;
    const sys_time<microseconds> time{microseconds(unixMicros)};
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%06dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::string FormatLine(const AssessedRecord& assessed) {
    const DeviceRecord& record = assessed.record;
    char line[512];
    if (!record.reachable) {
        std::snprintf(line, sizeof line, "%-15s %-8s %s", record.address.c_str(),
                      SeverityName(assessed.health.severity), record.failure.c_str());
        return line + NtpText(record) + ProblemsText(assessed);
    }
    const std::string time = record.deviceUnixMicros ? FormatIsoUtc(*record.deviceUnixMicros) : "-";
    std::snprintf(line, sizeof line, "%-15s %-8s %-6s %-16s %-27s %-22s %-10s %-9s %-12s",
                  record.address.c_str(), SeverityName(assessed.health.severity), record.link.c_str(),
                  DeviceText(record.firmware).c_str(), time.c_str(), OffsetText(record).c_str(),
                  StateText(record.gpsLocked, "gps-lock", "gps-nolock").c_str(),
                  StateText(HasSystemPeer(record), "synced", "unsynced").c_str(),
                  StateText(record.macAssigned, "mac-ok", "mac-unset").c_str());
    std::string text(line);
    // The last column is padded like the others; a line ends with its text.
    text.erase(text.find_last_not_of(' ') + 1);
    return text + PeerText(record) + NtpText(record) + ProblemsText(assessed);
}

std::string FormatJson(const AssessedRecord& assessed) {
    const DeviceRecord& record = assessed.record;
    nlohmann::json json = {
        {"address", record.address},
        {"status", SeverityName(assessed.health.severity)},
        {"problems", ProblemsJson(assessed.health.problems)},
        {"reachable", record.reachable},
        {"failure", record.reachable ? nlohmann::json(nullptr) : nlohmann::json(record.failure)},
        {"link", record.link.empty() ? nlohmann::json(nullptr) : nlohmann::json(record.link)},
        {"firmware",
         record.firmware.empty() ? nlohmann::json(nullptr) : nlohmann::json(DeviceText(record.firmware))},
        {"device_time", record.deviceUnixMicros ? nlohmann::json(FormatIsoUtc(*record.deviceUnixMicros))
                                                : nlohmann::json(nullptr)},
        {"device_time_unix",
         record.deviceUnixMicros
             ? nlohmann::json(static_cast<double>(*record.deviceUnixMicros) / kMicrosPerSecond)
             : nlohmann::json(nullptr)},
        {"offset_seconds", OptionalJson(record.offsetSeconds)},
        {"round_trip_seconds", OptionalJson(record.roundTripSeconds)},
        {"gps_locked", OptionalJson(record.gpsLocked)},
        {"time_synced", OptionalJson(HasSystemPeer(record))},
        {"mac_assigned", OptionalJson(record.macAssigned)},
        {"peers", PeersJson(record.peers)},
        {"peers_omitted", record.peers ? nlohmann::json(record.peers->unkeptPeers) : nlohmann::json(nullptr)},
        {"ntp", record.ntp ? NtpJson(*record.ntp) : nlohmann::json(nullptr)},
        {"ntp_shell_seconds", OptionalJson(record.ntpShellSeconds)},
    };
    // Device text is valid UTF-8 already; should anything else hold a stray byte, it is replaced rather
    // than ending the program.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string FormatPrometheus(const std::vector<AssessedRecord>& assessed) {
    // A device not read yet, or one this PC failed to read, has no samples: nothing is known of it.
    std::vector<AssessedRecord> records;
    std::copy_if(assessed.begin(), assessed.end(), std::back_inserter(records),
                 [](const AssessedRecord& one) { return TellsOfTheDevice(one.record.failureKind); });
    CMetricWriter writer;
    WriteFamily(writer, records, "vantrex_up", "Whether the device gave a complete reading.",
                [](const DeviceRecord& r) { return std::optional<double>(r.reachable ? 1 : 0); });
    WriteFamily(writer, records, "vantrex_gps_locked", "Whether the device reports GPS lock.",
                [](const DeviceRecord& r) { return AsNumber(r.gpsLocked); });
    WriteFamily(writer, records, "vantrex_time_synced", "Whether the time daemon has a system peer.",
                [](const DeviceRecord& r) { return AsNumber(HasSystemPeer(r)); });
    WriteFamily(writer, records, "vantrex_mac_assigned", "Whether the device has a MAC address assigned.",
                [](const DeviceRecord& r) { return AsNumber(r.macAssigned); });
    WriteFamily(writer, records, "vantrex_clock_offset_seconds", "Device clock minus this host's clock.",
                [](const DeviceRecord& r) { return r.offsetSeconds; });
    WriteFamily(writer, records, "vantrex_peer_offset_seconds",
                "The device's system peer's offset as its time daemon measures it.",
                OfSystemPeer([](const NtpPeer& peer) { return peer.offsetMs / kMsPerSecond; }));
    WriteFamily(writer, records, "vantrex_peer_jitter_seconds", "The device's system peer's jitter.",
                OfSystemPeer([](const NtpPeer& peer) { return peer.jitterMs / kMsPerSecond; }));
    WriteFamily(
        writer, records, "vantrex_peer_reach", "How many of its last 8 polls the system peer answered.",
        OfSystemPeer([](const NtpPeer& peer) { return static_cast<double>(AnsweredPolls(peer.reach)); }));
    writer.Family("vantrex_info", "The device's firmware version.");
    for (const AssessedRecord& one : records) {
        if (!one.record.firmware.empty()) {
            writer.Sample("vantrex_info",
                          AddressLabel(one.record) + ",firmware=\"" +
                              LabelValue(DeviceText(one.record.firmware)) + '"',
                          1);
        }
    }
    WriteFamily(writer, records, "vantrex_ntp_up", "Whether the device answered the NTP request validly.",
                [](const DeviceRecord& r) {
                    const bool known = r.ntp && TellsOfTheDevice(r.ntp->failureKind);
                    return known ? std::optional<double>(r.ntp->answered ? 1 : 0) : std::nullopt;
                });
    WriteFamily(writer, records, "vantrex_ntp_stratum", "Stratum in the NTP answer.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.stratum; }));
    WriteFamily(writer, records, "vantrex_ntp_leap", "Leap indicator in the NTP answer.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.leap; }));
    WriteFamily(writer, records, "vantrex_ntp_offset_seconds", "NTP-served time minus this host's clock.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.offsetSeconds; }));
    WriteFamily(writer, records, "vantrex_ntp_delay_seconds", "Round-trip delay of the NTP exchange.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.delaySeconds; }));
    WriteFamily(writer, records, "vantrex_ntp_root_delay_seconds",
                "Root delay in the NTP answer: the server's round trip to its reference clock.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.rootDelaySeconds; }));
    WriteFamily(writer, records, "vantrex_ntp_root_dispersion_seconds",
                "Root dispersion in the NTP answer: the error the server has gathered since its reference.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.rootDispersionSeconds; }));
    WriteFamily(writer, records, "vantrex_ntp_precision_seconds", "Precision of the server's clock.",
                OfNtpAnswer([](const NtpResult& ntp) { return ntp.precisionSeconds; }));
    WriteFamily(
        writer, records, "vantrex_ntp_reference_timestamp_seconds",
        "When the server's clock was last set, in seconds since 1970 (none if never).",
        [](const DeviceRecord& r) {
            const bool set = r.ntp && r.ntp->answered && r.ntp->referenceUnixMicros;
            return set ? std::optional<double>(static_cast<double>(*r.ntp->referenceUnixMicros) /
                                               kMicrosPerSecond)
                       : std::nullopt;
        },
        kUnixTimeFormat);
    WriteFamily(writer, records, "vantrex_ntp_shell_disagreement_seconds",
                "NTP-served time minus the shell's reading of the device clock.",
                [](const DeviceRecord& r) { return r.ntpShellSeconds; });
    WriteProblems(writer, records, "vantrex_problem", "A problem the health rules find now, by its code.",
                  [](const Problem&) { return 1.0; });
    WriteProblems(writer, records, "vantrex_problem_severity",
                  "The severity of a problem the health rules find now, as vantrex-status exits for it: "
                  "0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.",
                  [](const Problem& problem) { return static_cast<double>(problem.severity); });
    return writer.Text();
}
