#pragma once

#include <QMap>
#include <QString>

// The client settings file: the attributes of root/client as a table, plus the whole text.
namespace clientsettings {

struct Settings {
    QMap<QString, QString> table;
    QString text;
};

QString filePath(); // application directory + "/Resources/profiles/conf.xml"

// Reads the file; a missing or malformed file gives an empty table and an empty text.
// The computed keys "MacAddress" and "IpAddress" are added to a file that parsed.
Settings read(const QString& path);

QString macAddress(); // first non-loop-back interface, or empty
QString ipAddress();  // first IPv4 address other than 127.0.0.1, or empty

} // namespace clientsettings
