#pragma once

#include "device/hxlib.h"
#include "hxsim/devicestore.h"
#include "hxsim/simconfig.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace hxsim {

// Results of the library calls: 0 is success.
enum Result : int {
    kOk = 0,
    kNoDevice = 1,    // no present device has that hardware ID, or verification failed
    kBadArgument = 2, // count, address, property, key, code or notification out of range
    kStorage = 3,     // the change could not be kept
    kWrongState = 4,  // the call does not fit the device's mode (normal or flashing)
};

// The simulated mice behind the library's exports. Thread-safe; the device callbacks are never
// called from here directly but handed to `post`, which runs them on the library's own thread,
// so a callback may call back into the library.
class Simulator {
public:
    using Task = std::function<void()>;
    using Post = std::function<void(int delayMs, Task task)>;

    Simulator(const Config& config, const QString& stateDir, Post post);

    int devices(const HxSelection& selection, uint8_t* list, int size);
    void onDeviceEvent(HxEventCallback callback);
    void onDeviceData(const QString& hardwareId, HxDataCallback callback);
    int readProp(const QString& id, uint8_t* buffer, int count, int property);
    int writeProp(const QString& id, const uint8_t* data, int count, int property);
    int read(const QString& id, uint8_t* buffer, int count, int address);
    int write(const QString& id, const uint8_t* data, int count, int address);
    int notify(const QString& id, uint8_t type, uint8_t data);
    int deviceExist(const QString& id);
    int reset(const QString& id, uint16_t mode);
    int eraseRom(const QString& id);
    int bornRom(const QString& id, const uint8_t* block, int count, int offset);
    int checkRom(const QString& id, int length, uint32_t check);
    int finishUpdateRom(const QString& id);

    // One command of the control tool; the reply's last line is "OK" or "ERR <reason>".
    QString control(const QString& line);

private:
    enum class Mode { Normal, Restarting, Loader };
    struct Device {
        DeviceConfig config;
        int slot = 0;
        bool plugged = true;
        Mode mode = Mode::Normal;
        int epoch = 0; // advances on every plug, unplug and restart, so stale timers do nothing
        std::unique_ptr<DeviceStore> store;
        HxDataCallback subscription = nullptr;
        QByteArray image; // firmware being flashed
        bool erased = false;
        int written = 0;
        int verifiedLength = -1;
    };

    Device* present(const QString& id, Mode mode);
    Device* bySerial(const QString& serial);
    void writeRecord(const Device& d, uint8_t* record) const;
    void fireEvent(const Device& d, int what);
    void fireCode(int code);
    void sendReport(const Device& d, const QByteArray& bytes);
    void restart(Device& d, Mode into);
    QString describe(const Device& d) const;
    QString controlLocked(const QStringList& words);

    std::mutex m_mutex;
    std::vector<Device> m_devices;
    int m_flashDelayMs;
    HxEventCallback m_eventCallback = nullptr;
    Post m_post;
};

} // namespace hxsim
