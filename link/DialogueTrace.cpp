#include "DialogueTrace.h"

#include "DeviceDialect.h"

#include "devicetext/DeviceText.h"
#include "runtime/DebugOutput.h"

std::string DialogueTrace(std::string_view link, char direction, std::string_view text) {
    std::string trace;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        if (end > 0) {
            trace.append(link).append(1, ' ').append(1, direction).append(1, ' ');
            trace.append(DeviceText(text.substr(0, end))).append(1, '\n');
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return trace;
}

void DebugDialogueTrace(std::string_view host, unsigned short port, char direction, std::string_view text) {
    const char* dialect = DialectForPort(port).isTelnet ? " telnet" : " shell";
    const std::string trace = DialogueTrace(std::string(host) + dialect, direction, text);
    if (!trace.empty()) {
        DebugOutput(trace.c_str());
    }
}
