#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace hxsim {

// One simulated mouse as the configuration describes it. The texts are those its device
// record reports; `SN` also names the folder that keeps its memory between runs.
struct DeviceConfig {
    QString deviceId;
    QString version;
    QString serial;
    QString mask;
    QString hardwareId;
    QString devicePath;
    bool plugged = true;
};

struct Config {
    std::vector<DeviceConfig> devices;
    int flashDelayMs = 1000; // how long a device takes to restart into or out of flashing mode
    QStringList problems;    // entries that were skipped, with the reason
};

// The built-in mouse used when no configuration file is named.
Config defaultConfig();

// Reads the JSON configuration text. Bad entries are skipped and listed in `problems`.
Config parseConfig(const QByteArray& json);

// The file named by HXSIM_CONFIG, or the built-in mouse when the variable is unset.
Config loadConfig();

} // namespace hxsim
