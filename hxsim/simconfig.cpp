#include "hxsim/simconfig.h"

#include "device/hxlib.h"
#include "hxsim/protocol.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

namespace hxsim {

namespace {

bool fits(const QString& text, int bytes)
{
    return text.toUtf8().size() <= bytes;
}

// Why the entry cannot be simulated, or an empty text when it can.
QString checkDevice(const DeviceConfig& d)
{
    using namespace hx::record;
    static const QRegularExpression safeSerial(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    if (!safeSerial.match(d.serial).hasMatch() || d.serial.startsWith(QLatin1Char('.')))
        return QStringLiteral("SN must be letters, digits, '_', '-' or '.'");
    if (!fits(d.deviceId, kDeviceIdSize) || !fits(d.version, kVersionSize) || !fits(d.serial, kSerialSize) ||
        !fits(d.mask, kMaskSize))
        return QStringLiteral("a text is longer than its record field");
    const int wideUnits = kWideSize / 2 - 1;
    if (d.hardwareId.isEmpty() || d.hardwareId.size() > wideUnits || d.devicePath.size() > wideUnits)
        return QStringLiteral("HardwareID must be 1 to 254 units, DevicePath at most 254");
    if (d.hardwareId == QLatin1String(protocol::kLoaderHardwareId))
        return QStringLiteral("HardwareID is the one of flashing mode");
    return {};
}

} // namespace

Config defaultConfig()
{
    Config config;
    DeviceConfig mouse;
    mouse.deviceId = QStringLiteral("HX-BRIMLOCK-M1");
    mouse.version = QStringLiteral("V1.2.0");
    mouse.serial = QStringLiteral("BRM1000001");
    mouse.mask = QStringLiteral("01");
    mouse.hardwareId = QStringLiteral("HID\\Vid_1e5f&Pid_7a30&Sn_BRM1000001");
    mouse.devicePath =
        QStringLiteral("\\\\?\\hid#vid_1e5f&pid_7a30&mi_01#brm1000001#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    config.devices.push_back(mouse);
    return config;
}

Config parseConfig(const QByteArray& json)
{
    Config config;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (!doc.isObject()) {
        config.problems << QStringLiteral("configuration is not a JSON object: %1").arg(error.errorString());
        return config;
    }
    const QJsonObject root = doc.object();
    config.flashDelayMs = qBound(0, root.value(QStringLiteral("flashDelayMs")).toInt(config.flashDelayMs), 60000);
    QSet<QString> serials;
    QSet<QString> hardwareIds;
    const QJsonArray devices = root.value(QStringLiteral("devices")).toArray();
    for (int i = 0; i < devices.size(); ++i) {
        const QJsonObject o = devices.at(i).toObject();
        DeviceConfig d;
        d.deviceId = o.value(QStringLiteral("DeviceID")).toString();
        d.version = o.value(QStringLiteral("Version")).toString();
        d.serial = o.value(QStringLiteral("SN")).toString();
        d.mask = o.value(QStringLiteral("MASK")).toString();
        d.hardwareId = o.value(QStringLiteral("HardwareID")).toString();
        d.devicePath = o.value(QStringLiteral("DevicePath")).toString();
        d.plugged = o.value(QStringLiteral("plugged")).toBool(true);
        QString problem = checkDevice(d);
        if (problem.isEmpty() && (serials.contains(d.serial) || hardwareIds.contains(d.hardwareId)))
            problem = QStringLiteral("SN and HardwareID must be unique");
        if (!problem.isEmpty()) {
            config.problems << QStringLiteral("device %1 skipped: %2").arg(i).arg(problem);
            continue;
        }
        serials.insert(d.serial);
        hardwareIds.insert(d.hardwareId);
        config.devices.push_back(d);
    }
    if (config.devices.size() > size_t(hx::kMaxRecords)) {
        config.problems << QStringLiteral("only the first %1 devices are simulated").arg(hx::kMaxRecords);
        config.devices.resize(hx::kMaxRecords);
    }
    return config;
}

Config loadConfig()
{
    const QString path = qEnvironmentVariable("HXSIM_CONFIG");
    if (path.isEmpty())
        return defaultConfig();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Config config;
        config.problems << QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return config;
    }
    return parseConfig(file.readAll());
}

} // namespace hxsim
