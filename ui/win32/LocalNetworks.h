#pragma once

#include "ui/ChangeNetworkCheck.h"

#include <vector>

// This PC's IPv4 networks: the address and mask of every adapter that is up, as the IP helper sees them.
std::vector<Ipv4Network> LocalNetworks();
