// The simulator's telnet login over any typed lines: each reply ends with a prompt, and only the right
// name and password open the shell.
#include "FuzzInput.h"

#include "sim/TelnetLogin.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    CTelnetLogin login;
    ForEachLine(input.bytes, [&](std::string_view line) {
        if (login.IsLoggedIn()) {
            return;
        }
        const std::string reply = login.OnLine(std::string(line));
        FuzzCheck(reply.ends_with(": ") || reply.ends_with("# "), "every reply ends with a prompt");
    });
    return 0;
}
