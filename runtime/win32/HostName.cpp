#include "SystemText.h"

#include "runtime/HostName.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

std::optional<std::uint32_t> ResolveIpv4(const std::string& name, std::string& reason) {
    // The wide call: the narrow one reads the name in the ANSI code page, not as the UTF-8 it is.
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* found = nullptr;
    // It returns a Windows Sockets error code itself.
    const int code = GetAddrInfoW(WideFromUtf8(name).c_str(), nullptr, &hints, &found);
    if (code != 0) {
        reason = SystemErrorText(static_cast<DWORD>(code));
        return std::nullopt;
    }
    const std::unique_ptr<ADDRINFOW, decltype(&FreeAddrInfoW)> owned(found, &FreeAddrInfoW);
    if (found == nullptr) {
        reason = "no IPv4 address";
        return std::nullopt;
    }
    return ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
}
