#pragma once

#include <chrono>
#include <cstddef>

// How a check asks, the same for the window's query on a socket of its own and a fleet's shared socket.
inline constexpr auto kSntpAttemptTimeout = std::chrono::seconds(2);
inline constexpr int kSntpMaxAttempts = 2;
// Larger answers carry extensions we do not read.
inline constexpr std::size_t kLargestSntpDatagram = 512;

// The failures a check reports without an answer to read.
inline constexpr const char* kSntpNoAnswer = "no answer";
inline constexpr const char* kSntpPortUnreachable = "no answer (port unreachable)";
inline constexpr const char* kSntpNoSocket = "no UDP socket";
