#include "ConfigApp.h"
#include "ui/CommandLine.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// The usage text, and what only this front end takes.
std::string Usage() {
    return CommandLineUsage() +
           "\nQt's own options, such as -platform NAME or -style NAME, are taken as well.\n";
}

std::vector<std::string> ArgumentsAfterName(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

// Prints what a command line without a window asks for and gives the exit status; nothing when the
// window is to open.
std::optional<int> AnswerWithoutWindow(const CommandLine& commandLine) {
    const std::optional<CommandLineAnswer> answer = AnswerWithoutWindow(commandLine, Usage());
    if (!answer) {
        return std::nullopt;
    }
    std::fputs(answer->text.c_str(), answer->error ? stderr : stdout);
    return answer->exitStatus;
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version need no display, so a command line that is all ours is answered before Qt
    // starts. Qt's own options (-platform, -style, ...) read as errors here; Qt takes them out of argv.
    const CommandLine beforeQt = ParseCommandLine(ArgumentsAfterName(argc, argv));
    if (beforeQt.error.empty()) {
        if (const std::optional<int> status = AnswerWithoutWindow(beforeQt)) {
            return *status;
        }
    }
    CConfigApp app(argc, argv);
    const CommandLine commandLine = ParseCommandLine(ArgumentsAfterName(argc, argv));
    if (const std::optional<int> status = AnswerWithoutWindow(commandLine)) {
        return *status;
    }
    app.InitInstance(commandLine);
    return 0;
}
