#pragma once

#include <optional>
#include <string>
#include <vector>

// What the program was asked to do on its command line: vantrex-config [ADDRESS] [--connect]
// [--help] [--version]. Without arguments it behaves as the plain window.
struct CommandLine {
    std::optional<std::string> address; // fills the address box
    bool connect = false;               // presses Connect at start
    bool help = false;
    bool version = false;
    std::string error; // non-empty: the arguments could not be understood
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The text --help prints.
std::string CommandLineUsage();

// What a command line that opens no window answers: help, the version, or the usage after an error.
struct CommandLineAnswer {
    std::string text;
    bool error; // goes to the error output
    int exitStatus;
};

// The answer to commandLine, with usage as the front end's --help text; nothing when the window is to
// open.
std::optional<CommandLineAnswer> AnswerWithoutWindow(const CommandLine& commandLine,
                                                     const std::string& usage);
