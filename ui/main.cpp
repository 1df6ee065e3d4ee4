#include "CommandLine.h"
#include "ConfigApp.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The command line is read before Qt starts, so --help and --version need no display.
    const CommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "vantrex-config: %s\n%s", commandLine.error.c_str(), CommandLineUsage().c_str());
        return 2;
    }
    if (commandLine.help) {
        std::fputs(CommandLineUsage().c_str(), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::printf("vantrex-config %s\n", VANTREX_VERSION);
        return 0;
    }
    CConfigApp app(argc, argv);
    app.InitInstance(commandLine);
    return 0;
}
