#include "AddressCommand.h"

#include "CommandText.h"
#include "DeviceDialect.h"

#include <cstdio>
#include <cstring>

bool IsAddressText(const char* text) {
    return text != nullptr && *text != '\0' && text[std::strspn(text, "0123456789.")] == '\0';
}

int FormatAddressCommand(unsigned short port, const char* ip, const char* mask, const char* gateway,
                         char* buffer, std::size_t size) {
    if (!IsAddressText(ip) || !IsAddressText(mask) || !IsAddressText(gateway)) {
        return 0;
    }
    if (DialectForPort(port).isTelnet) {
        return CommandLength(std::snprintf(buffer, size,
                                           "echo '%s' > /usr/ipaddress\necho '%s' > /usr/netmask\n"
                                           "echo '%s' > /usr/gateway\ntouch /usr/ramdisk/reset\n",
                                           ip, mask, gateway),
                             size);
    }
    // The shell's setip takes the gateway after -g and the mask after -s.
    return CommandLength(std::snprintf(buffer, size, "setip -i %s -g %s -s %s\n", ip, gateway, mask), size);
}
