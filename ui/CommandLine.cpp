#include "CommandLine.h"

namespace {

bool IsOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

void TakeOption(const std::string& option, CommandLine& result) {
    if (option == "--connect") {
        result.connect = true;
    } else if (option == "--help" || option == "-h") {
        result.help = true;
    } else if (option == "--version") {
        result.version = true;
    } else {
        result.error = "unknown option '" + option + "'";
    }
}

void TakeAddress(const std::string& address, CommandLine& result) {
    if (result.address) {
        result.error = "more than one address given";
        return;
    }
    result.address = address;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    for (const std::string& argument : arguments) {
        if (IsOption(argument)) {
            TakeOption(argument, result);
        } else {
            TakeAddress(argument, result);
        }
        if (!result.error.empty()) {
            break;
        }
    }
    return result;
}

std::string CommandLineUsage() {
    return "Usage: vantrex-config [ADDRESS] [--connect]\n"
           "Monitors and configures a VANTREX GPS time server on the local network.\n"
           "\n"
           "Options:\n"
           "  ADDRESS     the device's IPv4 address, written into the address box\n"
           "  --connect   press Connect as soon as the window is open\n"
           "  --help      show this text and exit\n"
           "  --version   show the program's version and exit\n";
}

std::optional<CommandLineAnswer> AnswerWithoutWindow(const CommandLine& commandLine,
                                                     const std::string& usage) {
    if (!commandLine.error.empty()) {
        return CommandLineAnswer{"vantrex-config: " + commandLine.error + "\n" + usage, true, 2};
    }
    if (commandLine.help) {
        return CommandLineAnswer{usage, false, 0};
    }
    if (commandLine.version) {
        return CommandLineAnswer{std::string("vantrex-config ") + VANTREX_VERSION + "\n", false, 0};
    }
    return std::nullopt;
}
