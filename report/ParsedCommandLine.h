#pragma once

#include <optional>
#include <string>
#include <utility>

// A command line's outcome: options to run with, or a text to print and the exit status to end with.
template <typename Options>
struct ParsedCommandLine {
    std::optional<Options> options;
    std::string message;
    int exitStatus = 0;
    bool messageToStdout = false;

    // The outcome that ends the program with message: on stdout for exit status 0 (--help, --version),
    // on stderr otherwise.
    static ParsedCommandLine Ending(std::string message, int exitStatus) {
        ParsedCommandLine parsed;
        parsed.message = std::move(message);
        parsed.exitStatus = exitStatus;
        parsed.messageToStdout = exitStatus == 0;
        return parsed;
    }
};
