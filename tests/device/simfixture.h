#pragma once

#include "support/replyrecorder.h"

#include "browser/querycallback.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// A private simulated mouse set for one test program: the real libhx.so of the application
// directory, configured and keeping its state in a temporary folder, and the real control tool.
// Must be set up before the library is first used in the process.
class SimFixture {
public:
    struct Device {
        QString deviceId, version, serial, hardwareId;
        bool plugged = true;
    };

    explicit SimFixture(const QList<Device>& devices)
    {
        QJsonArray list;
        for (const Device& d : devices)
            list.append(QJsonObject{{"DeviceID", d.deviceId},
                                    {"Version", d.version},
                                    {"SN", d.serial},
                                    {"MASK", "01"},
                                    {"HardwareID", d.hardwareId},
                                    {"DevicePath", "\\\\?\\hid#" + d.serial.toLower()},
                                    {"plugged", d.plugged}});
        QFile config(m_dir.filePath("hxsim.json"));
        config.open(QIODevice::WriteOnly);
        config.write(QJsonDocument(QJsonObject{{"flashDelayMs", 50}, {"devices", list}}).toJson());
        config.close();
        qputenv("HXSIM_CONFIG", config.fileName().toLocal8Bit());
        qputenv("HXSIM_STATE_DIR", m_dir.filePath("state").toLocal8Bit());
    }

    static QString appDir() { return qEnvironmentVariable("VESK_APP_DIR"); }
    static QString libraryPath() { return appDir() + "/libhx.so"; }

    // Runs the control tool; returns its output, or a null text when it failed.
    QString control(const QStringList& words) const
    {
        QProcess tool;
        tool.start(appDir() + "/hxctl", words);
        if (!tool.waitForFinished(5000) || tool.exitCode() != 0)
            return QString();
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    // The control tool's status line for one device.
    QString status(const QString& serial) const
    {
        for (const QString& line : control({"list"}).split('\n')) {
            if (line.startsWith(serial + ' '))
                return line;
        }
        return QString();
    }

private:
    QTemporaryDir m_dir;
};

using Reply = ReplyRecorder;
