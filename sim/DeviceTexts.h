#pragma once

#include <string_view>

// The device's own prompts and login, exactly as the configuration tool recognises them.
inline constexpr std::string_view kShellPrompt = "# ";
inline constexpr std::string_view kLoginPrompt = "picotux login: ";
inline constexpr std::string_view kPasswordPrompt = "Password: ";
inline constexpr std::string_view kLoginName = "root";
inline constexpr std::string_view kLoginPassword = "q9lokar58";
inline constexpr std::string_view kLoginIncorrect = "Login incorrect";
// What getdate prints when the device cannot read its clock: no reading at all.
inline constexpr std::string_view kUnreadableClock = "RTC read error";
// What every command prints while the device's network restarts after an address change.
inline constexpr std::string_view kNetworkRestarting = "eth0: link down, restarting network";
// Every line the device prints ends like a terminal's.
inline constexpr std::string_view kLineEnd = "\r\n";
