#include "remote/ScpiSettings.h"

#include <QString>

namespace {

std::string Trimmed(const std::string& s) { return QString::fromStdString(s).trimmed().toStdString(); }

}  // namespace

TScpiSettings ReadScpiSettings(const TIniFile& ini) {
    TScpiSettings s;
    const std::string port = Trimmed(ini.ReadString(SettingsSectionRemote, SettingsKeyScpiPort, ""));
    if (!port.empty()) {
        bool ok = false;
        const int value = QString::fromStdString(port).toInt(&ok, 10);
        if (ok && value >= 0 && value <= 65535) {
            s.Port = value;
        } else {
            s.Port = 0;
            s.Problem += "\"SCPI port=" + port + "\" is no port (0 to 65535): the SCPI server is off. ";
        }
    }
    const std::string address = Trimmed(ini.ReadString(SettingsSectionRemote, SettingsKeyScpiAddress, ""));
    if (!address.empty()) {
        if (QHostAddress(QString::fromStdString(address)).isNull()) {
            s.Port = 0;
            s.Problem += "\"SCPI address=" + address + "\" is no IP address: the SCPI server is off. ";
        } else {
            s.Address = address;
        }
    }
    const QString clients = QString::fromStdString(ini.ReadString(SettingsSectionRemote, SettingsKeyScpiClients, ""));
    for (const QString& entry : clients.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString e = entry.trimmed();
        if (e.isEmpty()) continue;
        std::pair<QHostAddress, int> net = e.contains(QLatin1Char('/')) ? QHostAddress::parseSubnet(e)
                                                                        : std::pair<QHostAddress, int>{QHostAddress(e), -1};
        if (net.first.isNull()) {
            s.Problem += "\"" + e.toStdString() + "\" in \"SCPI clients\" is no address or network: it is left out. ";
            continue;
        }
        if (net.second < 0) net.second = net.first.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32;
        s.Clients.push_back(net);
    }
    if (!s.Problem.empty()) s.Problem.pop_back();
    return s;
}

bool ScpiClientAllowed(const TScpiSettings& settings, const QHostAddress& peer) {
    bool isV4 = false;
    const QHostAddress v4(peer.toIPv4Address(&isV4));
    const QHostAddress plain = isV4 ? v4 : peer;
    if (plain == QHostAddress(QHostAddress::LocalHost) || plain == QHostAddress(QHostAddress::LocalHostIPv6)) return true;
    for (const auto& net : settings.Clients)
        if (plain.isInSubnet(net)) return true;
    return false;
}
