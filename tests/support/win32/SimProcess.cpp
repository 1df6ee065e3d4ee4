#include "tests/support/SimProcess.h"

#include <winsock2.h>

#include <fstream>

namespace {

// The options as one line of the fixture's table: separated by single spaces.
std::string OptionLine(const std::vector<std::string>& options) {
    std::string line;
    for (const std::string& option : options) {
        line += (line.empty() ? "" : " ") + option;
    }
    return line;
}

bool FixtureRunsSimWith(const std::string& optionLine) {
    std::ifstream table(VANTREX_FIXTURE_SIM_TABLE);
    std::string line;
    while (std::getline(table, line)) {
        if (line == optionLine) {
            return true;
        }
    }
    return false;
}

std::string AddressOption(const std::vector<std::string>& options) {
    for (std::size_t index = 0; index + 1 < options.size(); ++index) {
        if (options[index] == "--address") {
            return options[index + 1];
        }
    }
    return "127.0.0.1";
}

} // namespace

struct CSimProcess::Instance {
    std::string address; // empty until Start found the fixture's sim
};

CSimProcess::CSimProcess() : m_instance(std::make_unique<Instance>()) {}

CSimProcess::~CSimProcess() = default;

bool CSimProcess::Start(const std::vector<std::string>& options) {
    if (!FixtureRunsSimWith(OptionLine(options))) {
        return false; // a test whose sim the fixture does not run cannot pass on Windows
    }
    m_instance->address = AddressOption(options);
    return true;
}

int CSimProcess::Stop(int /*signalNumber*/) {
    return -1; // The fixture started it and stops it after the last test.
}

bool CSimProcess::Signal(int /*signalNumber*/) {
    return false; // the fixture's sim is another system's process
}

long CSimProcess::PeakMemoryKiB() const {
    return -1; // the fixture's sim is another system's process
}

std::string CSimProcess::LogPath() const {
    return std::string(VANTREX_FIXTURE_SIM_FOLDER) + "/" + m_instance->address + ".log";
}

std::string CSimProcess::ErrorPath() const {
    return std::string(VANTREX_FIXTURE_SIM_FOLDER) + "/" + m_instance->address + ".err";
}

bool CanBindTelnetPort() {
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (probe == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(23);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool bound = bind(probe, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    // Under Wine the Linux permission check comes first, so "in use" still means "allowed".
    const bool allowed = bound || WSAGetLastError() == WSAEADDRINUSE;
    (void)closesocket(probe);
    return allowed;
}
