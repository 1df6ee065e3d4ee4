#pragma once

#include "ui/ChangeNetworkCheck.h"

#include <vector>

// This PC's IPv4 networks: the address and mask of every interface that is up, as Qt Network sees them.
std::vector<Ipv4Network> LocalNetworks();
