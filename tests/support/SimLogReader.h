#pragma once

#include <string>
#include <vector>

// One line the sim received, as its log recorded it.
struct SimLogLine {
    double timeMs = 0; // milliseconds since the sim started
    unsigned short port = 0;
    std::string text;
};

// One address change the sim carried out.
struct SimAddressChange {
    double timeMs = 0;
    unsigned short port = 0;
    std::string ip;
    std::string mask;
    std::string gateway;
};

// The sim's log, in the order it was written.
struct SimLog {
    std::vector<SimLogLine> lines;
    std::vector<SimAddressChange> addressChanges;
    std::vector<std::string> failures; // what the sim could not do, such as bind a port
};

// Reads the text of a sim log, undoing its \xNN escapes; lines of any other shape are skipped.
SimLog ParseSimLog(const std::string& text);
