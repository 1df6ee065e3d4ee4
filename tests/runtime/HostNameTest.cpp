// The system's resolver, asked only what its hosts file answers: no test may reach DNS.
#include "runtime/HostName.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// The first word after "hosts:" in nsswitch.conf: where the resolver looks first.
std::string FirstHostsSource() {
    std::ifstream file("/etc/nsswitch.conf");
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string key;
        std::string first;
        if (words >> key >> first && key == "hosts:") {
            return first;
        }
    }
    return "";
}

// Whether /etc/hosts maps name to address.
bool HostsFileMaps(const std::string& name, const std::string& address) {
    std::ifstream file("/etc/hosts");
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string first;
        std::string word;
        if (!(words >> first) || first != address) {
            continue;
        }
        while (words >> word) {
            if (word == name) {
                return true;
            }
        }
    }
    return false;
}

TEST(HostName, ANameTheHostsFileListsResolvesToItsAddress) {
    if (FirstHostsSource() != "files" || !HostsFileMaps("localhost", "127.0.0.1")) {
        GTEST_SKIP() << "localhost would not be answered by the hosts file alone";
    }
    std::string reason;
    EXPECT_EQ(ResolveIpv4("localhost", reason), 0x7F000001u) << reason;
}

} // namespace
