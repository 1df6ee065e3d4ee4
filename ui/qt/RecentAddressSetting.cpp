#include "RecentAddressSetting.h"

#include "ProgramSettings.h"

#include <QStringList>

namespace {

const QString kRecentAddressesKey = QStringLiteral("recentAddresses");

} // namespace

std::vector<std::string> LoadRecentAddresses() {
    std::vector<std::string> addresses;
    for (const QString& address : ProgramSettings().value(kRecentAddressesKey).toStringList()) {
        addresses.push_back(address.toStdString());
    }
    return addresses;
}

void StoreRecentAddresses(const std::vector<std::string>& addresses) {
    QStringList list;
    for (const std::string& address : addresses) {
        list.append(QString::fromStdString(address));
    }
    ProgramSettings().setValue(kRecentAddressesKey, list);
}
