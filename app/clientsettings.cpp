#include "app/clientsettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QTextStream>

#include <pugixml.hpp>

namespace clientsettings {

QString filePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Resources/profiles/conf.xml");
}

QString macAddress()
{
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        if (!(iface.flags() & QNetworkInterface::IsLoopBack))
            return iface.hardwareAddress();
    }
    return QString();
}

QString ipAddress()
{
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && address != QHostAddress(QHostAddress::LocalHost))
            return address.toString();
    }
    return QString();
}

Settings read(const QString& path)
{
    Settings s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return s;
    const QByteArray bytes = file.readAll();
    file.close();

    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size())))
        return s;
    for (pugi::xml_attribute a : doc.child("root").child("client").attributes())
        s.table.insert(QString::fromUtf8(a.name()), QString::fromUtf8(a.value()));
    s.table.insert(QStringLiteral("MacAddress"), macAddress());
    s.table.insert(QStringLiteral("IpAddress"), ipAddress());

    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        in.setCodec("UTF-8");
        s.text = in.readAll();
    }
    return s;
}

} // namespace clientsettings
