#include "DiscoveryRun.h"

#include "discover/NetworkSearch.h"
#include "health/Health.h"
#include "report/FoundFormat.h"
#include "report/ReportWriter.h"
#include "runtime/WaitSet.h"

#include <string>

namespace {

constexpr int kFound = 0;
constexpr int kNoneFound = 1;

bool HasEnded(const CNetworkSearch& search) {
    const int state = search.GetState();
    return state != SearchRunning && state != -1;
}

// Writes what the search has queued; false when the output refused it.
bool WriteFound(CNetworkSearch& search, OutputFormat format, std::FILE* out, bool& anyFound) {
    std::string text;
    for (const FoundAddress& found : search.TakeFound()) {
        text += (format == OutputFormat::Json ? FormatFoundJson(found) : FormatFoundLine(found)) + '\n';
        anyFound = true;
    }
    std::string reason;
    if (!text.empty() && !WriteOutput(out, text, reason)) {
        std::fprintf(stderr, "vantrex-status: cannot write the output: %s\n", reason.c_str());
        return false;
    }
    return true;
}

// Why a search that ended said nothing of some addresses, or empty when it said something of all.
std::string Incompleteness(const CNetworkSearch& search, bool interrupted) {
    if (interrupted) {
        return "interrupted; the search did not finish";
    }
    if (search.GetState() == SearchFailed) {
        return "cannot wait for the search's connections; the search did not finish";
    }
    if (const std::size_t untried = search.UntriedCount(); untried > 0) {
        return std::to_string(untried) +
               " addresses could not be tried in full: this PC could not open or route a connection";
    }
    return {};
}

} // namespace

int RunDiscovery(const SearchRange& range, OutputFormat format, const CSignal& stop, std::FILE* out) {
    CNetworkSearch search;
    if (!search.StartSearch(range, SearchSettings{})) {
        std::fputs("vantrex-status: cannot start the search: no thread\n", stderr);
        return kUnknownExitStatus;
    }
    bool anyFound = false;
    bool written = true;
    bool interrupted = false;
    while (written && !HasEnded(search)) {
        const WaitHandle fired = WaitForAny(stop, search.FoundSignal(), search.StateSignal(), kInfinite);
        // A failed wait cannot tell a stop from news: it ends the search as a stop would.
        interrupted = fired == stop.Handle() || fired == kWaitFailed;
        if (interrupted) {
            break;
        }
        // Cleared before the queue is read, so that an address queued after the read wakes the next wait.
        (void)search.FoundSignal().Reset();
        (void)search.StateSignal().Reset();
        written = WriteFound(search, format, out, anyFound);
    }
    search.Stop();
    // What was queued between the last wait and the end.
    written = written && WriteFound(search, format, out, anyFound);
    if (!written) {
        return kUnknownExitStatus;
    }
    if (const std::string incomplete = Incompleteness(search, interrupted); !incomplete.empty()) {
        std::fprintf(stderr, "vantrex-status: %s\n", incomplete.c_str());
        return kUnknownExitStatus;
    }
    if (!anyFound) {
        std::fprintf(stderr, "vantrex-status: nothing answered on the shell or telnet port in %s\n",
                     FormatNetwork(range.network).c_str());
        return kNoneFound;
    }
    return kFound;
}
