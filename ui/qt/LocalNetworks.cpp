#include "LocalNetworks.h"

#include <QNetworkAddressEntry>
#include <QNetworkInterface>

std::vector<Ipv4Network> LocalNetworks() {
    std::vector<Ipv4Network> networks;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!interface.flags().testFlag(QNetworkInterface::IsUp)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                networks.push_back(
                    {.address = entry.ip().toIPv4Address(), .mask = entry.netmask().toIPv4Address()});
            }
        }
    }
    return networks;
}
