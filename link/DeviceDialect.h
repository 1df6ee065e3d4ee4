#pragma once

#include "LinkState.h"

#include <cstdint>
#include <string_view>

// The prompts the device shows; each is recognised when the received text ends with it.
inline constexpr std::string_view kLoginPrompt = "picotux login: ";
inline constexpr std::string_view kPasswordPrompt = "Password: ";
inline constexpr std::string_view kShellPrompt = "# ";

// Whether received, the text since the last recognised prompt, ends with prompt.
constexpr bool EndsWithPrompt(std::string_view received, std::string_view prompt) {
    // The last character is compared first: it rules out almost every position at once.
    return received.size() >= prompt.size() && received.back() == prompt.back() && received.ends_with(prompt);
}

// The commands that are the same in both dialects.
inline constexpr const char* kLoginCommand = "root\n";
inline constexpr const char* kPasswordCommand = "q9lokar58\n";
inline constexpr const char* kGetdateCommand = "getdate\n";

// What marks the answer to the getdate command in the received text.
inline constexpr const char* kGetdateMarker = "getdate";

// The texts and numbers of one of the device's two ways of talking, chosen by the link's port.
struct DeviceDialect {
    bool isTelnet; // answers the login and password prompts; changes the address by writing files
    const char* versionCommand; // asks for the firmware version at the first shell prompt
    const char* versionMarker;  // the device's echo of versionCommand, which starts its answer
    const char* peerTableCommand;
    const char* peerTableMarker;
    std::int64_t microsAdvance; // how late a getdate answer arrives, added to its microseconds
};

inline constexpr DeviceDialect kTelnetDialect{
    true, "cat /etc/version\n", "cat /etc/version", "ntpq -p 127.0.0.1\n", "ntpq -p 127.0.0.1", 750000};
inline constexpr DeviceDialect kShellDialect{false, "version\n", "version", "ntpq -p\n", "ntpq -p", 100000};

// The telnet dialect on port 23, the shell dialect on every other port.
constexpr const DeviceDialect& DialectForPort(unsigned short port) {
    return port == kTelnetPort ? kTelnetDialect : kShellDialect;
}
