#pragma once

#include <string>

// Opens a non-blocking listening TCP socket on address:port with address reuse, so that the port can
// be bound again right after a restart. Returns the descriptor, or -1 with the address, port and the
// system's reason in error.
int OpenListener(const std::string& address, unsigned short port, std::string& error);
