#pragma once

// Prepares the platform's network layer once, before the first socket; false when it cannot be used.
// On POSIX it also makes sure a write to a connection the peer closed can never end the process, and
// lifts the open-descriptor limit as far as the system allows: every link holds several.
bool StartNetworking();
