#include "LocalNetworks.h"

// The IP helper's adapter list is declared only after the sockets header.
#include <winsock2.h>

#include <iphlpapi.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kMaxTries = 3; // the adapter list can grow between the size query and the read
constexpr ULONG kInitialBufferBytes = 16 * 1024;

std::uint32_t MaskOfPrefix(unsigned prefixLength) {
    return prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - std::min(prefixLength, 32U));
}

void AppendNetworks(const IP_ADAPTER_ADDRESSES& adapter, std::vector<Ipv4Network>& networks) {
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter.FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
        const SOCKADDR* address = unicast->Address.lpSockaddr;
        if (address == nullptr || address->sa_family != AF_INET) {
            continue;
        }
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
        networks.push_back(
            {.address = ntohl(ipv4->sin_addr.s_addr), .mask = MaskOfPrefix(unicast->OnLinkPrefixLength)});
    }
}

} // namespace

std::vector<Ipv4Network> LocalNetworks() {
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = kInitialBufferBytes;
    for (int tries = 0; tries < kMaxTries; ++tries) {
        auto buffer = std::make_unique<std::byte[]>(size);
        auto* adapters = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get());
        const ULONG result = GetAdaptersAddresses(AF_INET, kFlags, nullptr, adapters, &size);
        if (result == ERROR_BUFFER_OVERFLOW) {
            continue;
        }
        std::vector<Ipv4Network> networks;
        if (result != NO_ERROR) {
            return networks; // no list: every new address counts as unreachable, which only warns
        }
        for (const IP_ADAPTER_ADDRESSES* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
            if (adapter->OperStatus == IfOperStatusUp) {
                AppendNetworks(*adapter, networks);
            }
        }
        return networks;
    }
    return {};
}
