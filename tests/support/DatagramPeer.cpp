#include "tests/support/DatagramPeer.h"

std::vector<std::uint8_t> CDatagramPeer::Echo(const std::vector<std::uint8_t>& reply, int timeoutMs) const {
    const std::optional<Datagram> received = Receive(timeoutMs);
    if (!received) {
        return {};
    }
    (void)SendTo(received->senderAddress, received->senderPort, reply); // the caller sees the reply or not
    return received->bytes;
}
