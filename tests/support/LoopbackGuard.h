#pragma once

#include <string>

// Whether text is a dotted IPv4 address in 127.0.0.0/8. Tests and benchmarks press Connect only on
// such an address, so that a typo can never send the window to a real device.
bool IsLoopbackAddress(const std::string& text);

// Whether text is a network "A.B.C.D/N" wholly within 127.0.0.0/8 (N from 8 to 32). Tests search only
// such a network, so that no search of theirs ever leaves loopback.
bool IsLoopbackNetwork(const std::string& text);
