#pragma once

#include <cstddef>

// Whether text may stand in an address-change command: one or more digits and dots, nothing else.
// Anything more could be taken by the device's shell as a command of its own.
bool IsAddressText(const char* text);

// Formats the device's address-change commands for the dialect of port into buffer. Returns the length
// of the command, or 0 (nothing to send) when a text is not address text or the command does not fit.
int FormatAddressCommand(unsigned short port, const char* ip, const char* mask, const char* gateway,
                         char* buffer, std::size_t size);
