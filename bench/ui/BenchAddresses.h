#pragma once

// One loopback address per window benchmark, so that they can run side by side with each other and
// with the tests (each binds ports 5316 and 23 of its own address).
inline constexpr const char* kCancelAddress = "127.0.5.50";
inline constexpr const char* kConnectAddress = "127.0.5.51";
inline constexpr const char* kConnectShellOnlyAddress = "127.0.5.55";
inline constexpr const char* kSecondLagAddress = "127.0.5.52";
inline constexpr const char* kSecondLagTelnetAddress = "127.0.5.56";
inline constexpr const char* kIdleLoadAddress = "127.0.5.53";
inline constexpr const char* kCycleAddress = "127.0.5.54";
inline constexpr const char* kDeviceLogAddress = "127.0.5.59";
// The device that follows its address change: it moves between these two, one run to the next.
inline constexpr const char* kRestartAddressA = "127.0.5.57";
inline constexpr const char* kRestartAddressB = "127.0.5.58";
