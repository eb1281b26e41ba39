#include "hxsim/simulator.h"

#include "hxsim/protocol.h"

#include <QDir>
#include <QStringList>

#include <zlib.h>

#include <cstring>

namespace hxsim {

using namespace protocol;

namespace {

const QString kLoaderId = QString::fromLatin1(kLoaderHardwareId);

void putText(uint8_t* at, const QString& text, int width)
{
    const QByteArray bytes = text.toUtf8().left(width);
    std::memcpy(at, bytes.constData(), size_t(bytes.size()));
}

void putWide(uint8_t* at, const QString& text)
{
    const int units = qMin(text.size(), hx::record::kWideSize / 2 - 1);
    for (int i = 0; i < units; ++i) {
        const ushort u = text.at(i).unicode();
        at[2 * i] = uint8_t(u & 0xFF);
        at[2 * i + 1] = uint8_t(u >> 8);
    }
}

bool selects(const HxSelection& selection, uint32_t word)
{
    for (uint32_t w : selection.words) {
        if (w == word)
            return true;
    }
    return false;
}

QByteArray bytes(std::initializer_list<uint8_t> list)
{
    QByteArray out;
    for (uint8_t b : list)
        out.append(char(b));
    return out;
}

uint32_t checkValue(const QByteArray& data, int length)
{
    return uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(data.constData()), uInt(length)));
}

} // namespace

Simulator::Simulator(const Config& config, const QString& stateDir, Post post)
    : m_flashDelayMs(config.flashDelayMs), m_post(std::move(post))
{
    int slot = 0;
    for (const DeviceConfig& c : config.devices) {
        Device d;
        d.config = c;
        d.slot = slot++;
        d.plugged = c.plugged;
        d.store = std::make_unique<DeviceStore>(QDir(stateDir).filePath(c.serial));
        m_devices.push_back(std::move(d));
    }
}

Simulator::Device* Simulator::present(const QString& id, Mode mode)
{
    for (Device& d : m_devices) {
        if (!d.plugged || d.mode != mode)
            continue;
        const QString current = mode == Mode::Loader ? kLoaderId : d.config.hardwareId;
        if (current == id)
            return &d;
    }
    return nullptr;
}

Simulator::Device* Simulator::bySerial(const QString& serial)
{
    for (Device& d : m_devices) {
        if (d.config.serial == serial)
            return &d;
    }
    return nullptr;
}

void Simulator::writeRecord(const Device& d, uint8_t* record) const
{
    using namespace hx::record;
    const bool loader = d.mode == Mode::Loader;
    putText(record + kDeviceId, loader ? QStringLiteral("HX-BRIMLOCK-LOADER") : d.config.deviceId, kDeviceIdSize);
    putText(record + kVersion, loader ? QStringLiteral("BOOT") : d.config.version, kVersionSize);
    putText(record + kSerial, d.config.serial, kSerialSize);
    putText(record + kMask, d.config.mask, kMaskSize);
    putWide(record + kDevicePath, d.config.devicePath);
    putWide(record + kHardwareId, loader ? kLoaderId : d.config.hardwareId);
}

int Simulator::devices(const HxSelection& selection, uint8_t* list, int size)
{
    if (!list || size < hx::kListSize)
        return -kBadArgument;
    std::lock_guard<std::mutex> lock(m_mutex);
    int count = 0;
    for (const Device& d : m_devices) {
        const bool listed = d.plugged && ((d.mode == Mode::Normal && selects(selection, hx::kSelectDevice)) ||
                                          (d.mode == Mode::Loader && selects(selection, hx::kSelectLoader)));
        if (!listed || count == hx::kMaxRecords)
            continue;
        uint8_t* record = list + 2 + count * hx::kRecordSize;
        std::memset(record, 0, hx::kRecordSize);
        writeRecord(d, record);
        ++count;
    }
    list[0] = uint8_t(count & 0xFF);
    list[1] = uint8_t(count >> 8);
    return count;
}

void Simulator::onDeviceEvent(HxEventCallback callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_eventCallback = callback;
}

void Simulator::onDeviceData(const QString& hardwareId, HxDataCallback callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Device* d = present(hardwareId, Mode::Normal))
        d->subscription = callback;
}

void Simulator::fireEvent(const Device& d, int what)
{
    fireCode((d.slot << 16) | what);
}

void Simulator::fireCode(int code)
{
    m_post(0, [this, code] {
        HxEventCallback callback;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            callback = m_eventCallback;
        }
        if (callback)
            callback(code);
    });
}

void Simulator::sendReport(const Device& d, const QByteArray& bytes)
{
    const int slot = d.slot;
    QByteArray report = bytes;
    if (report.size() < kReportSize)
        report.append(kReportSize - report.size(), '\0');
    m_post(0, [this, slot, report] {
        HxDataCallback callback;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            callback = m_devices[size_t(slot)].subscription;
        }
        if (!callback)
            return;
        const HxDataReport r{reinterpret_cast<const uint8_t*>(report.constData()), int(report.size())};
        callback(&r, nullptr);
    });
}

int Simulator::readProp(const QString& id, uint8_t* buffer, int count, int property)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Normal);
    if (!d)
        return kNoDevice;
    return d->store->readProp(property, buffer, count) ? kOk : kBadArgument;
}

int Simulator::writeProp(const QString& id, const uint8_t* data, int count, int property)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Normal);
    if (!d)
        return kNoDevice;
    if (property == kPropInfo || property < 0 || property >= kPropCount || !inRange(0, count, kPropSize))
        return kBadArgument;
    return d->store->writeProp(property, data, count) ? kOk : kStorage;
}

int Simulator::read(const QString& id, uint8_t* buffer, int count, int address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Normal);
    if (!d)
        return kNoDevice;
    return d->store->read(address, buffer, count) ? kOk : kBadArgument;
}

int Simulator::write(const QString& id, const uint8_t* data, int count, int address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Normal);
    if (!d)
        return kNoDevice;
    if (!inRange(address, count, kMemorySize))
        return kBadArgument;
    return d->store->write(address, data, count) ? kOk : kStorage;
}

int Simulator::notify(const QString& id, uint8_t type, uint8_t data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Normal);
    if (!d)
        return kNoDevice;
    switch (type) {
    case kNotifyMode:
        if (data >= kModeCount)
            return kBadArgument;
        if (!d->store->setPropByte(kPropMode, 0, data))
            return kStorage;
        sendReport(*d, bytes({kReportMode, data}));
        return kOk;
    case kNotifyDpi: {
        if (data >= 5)
            return kBadArgument;
        if (!d->store->setPropByte(kPropDpi, 0, data))
            return kStorage;
        const uint8_t lo = d->store->propByte(kPropDpi, 1 + 2 * data);
        const uint8_t hi = d->store->propByte(kPropDpi, 2 + 2 * data);
        sendReport(*d, bytes({kReportDpi, data, lo, hi}));
        return kOk;
    }
    case kNotifyIdentify: return kOk;
    default: return kBadArgument;
    }
}

int Simulator::deviceExist(const QString& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return present(id, Mode::Normal) || present(id, Mode::Loader) ? kOk : kNoDevice;
}

void Simulator::restart(Device& d, Mode into)
{
    d.mode = Mode::Restarting;
    d.subscription = nullptr;
    const int epoch = ++d.epoch;
    fireEvent(d, kEventRemoval);
    const int slot = d.slot;
    m_post(m_flashDelayMs, [this, slot, epoch, into] {
        std::lock_guard<std::mutex> lock(m_mutex);
        Device& target = m_devices[size_t(slot)];
        if (target.epoch != epoch || target.mode != Mode::Restarting)
            return; // unplugged or plugged again meanwhile
        target.mode = into;
        target.image.clear();
        target.erased = false;
        target.written = 0;
        target.verifiedLength = -1;
        fireEvent(target, kEventArrival);
    });
}

int Simulator::reset(const QString& id, uint16_t mode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Normal);
    if (!d)
        return kNoDevice;
    if (mode != 1)
        return kBadArgument;
    for (const Device& other : m_devices) {
        if (other.plugged && other.mode != Mode::Normal)
            return kWrongState; // one flashing at a time: they would share the loader's ID
    }
    restart(*d, Mode::Loader);
    return kOk;
}

int Simulator::eraseRom(const QString& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Loader);
    if (!d)
        return kNoDevice;
    d->image = QByteArray(kFirmwareSize, char(0xFF));
    d->erased = true;
    d->written = 0;
    d->verifiedLength = -1;
    return kOk;
}

int Simulator::bornRom(const QString& id, const uint8_t* block, int count, int offset)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Loader);
    if (!d)
        return kNoDevice;
    if (!d->erased)
        return kWrongState;
    if (count > kFirmwareBlock || !inRange(offset, count, kFirmwareSize))
        return kBadArgument;
    std::memcpy(d->image.data() + offset, block, size_t(count));
    d->written = qMax(d->written, offset + count);
    d->verifiedLength = -1;
    return kOk;
}

int Simulator::checkRom(const QString& id, int length, uint32_t check)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Loader);
    if (!d)
        return kNoDevice;
    if (!d->erased || length < 0 || length > d->written || checkValue(d->image, length) != check)
        return kNoDevice;
    d->verifiedLength = length;
    return kOk;
}

int Simulator::finishUpdateRom(const QString& id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* d = present(id, Mode::Loader);
    if (!d)
        return kNoDevice;
    if (d->verifiedLength < 0)
        return kWrongState; // an unverified image never starts
    if (!d->store->saveFirmware(d->image.left(d->verifiedLength)))
        return kStorage;
    restart(*d, Mode::Normal);
    return kOk;
}

QString Simulator::describe(const Device& d) const
{
    static const char* const modes[] = {"normal", "restarting", "flashing"};
    const QString state = d.plugged ? QLatin1String(modes[int(d.mode)]) : QStringLiteral("unplugged");
    const QByteArray fw = d.store->firmware();
    return QStringLiteral("%1 %2 subscribed=%3 firmware=%4:%5 HardwareID=%6")
        .arg(d.config.serial, state, d.subscription ? QStringLiteral("yes") : QStringLiteral("no"))
        .arg(fw.size())
        .arg(checkValue(fw, fw.size()), 8, 16, QLatin1Char('0'))
        .arg(d.config.hardwareId);
}

QString Simulator::control(const QString& line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::lock_guard<std::mutex> lock(m_mutex);
    return controlLocked(words);
}

QString Simulator::controlLocked(const QStringList& words)
{
    const QString command = words.value(0);
    const QString ok = QStringLiteral("OK");
    auto err = [](const QString& why) { return QStringLiteral("ERR ") + why; };
    bool valid = true;
    auto number = [&](int i) {
        bool good = false;
        const int n = words.value(i).toInt(&good, 0);
        valid = valid && good;
        return n;
    };

    if (command == QLatin1String("list") && words.size() == 1) {
        QString reply;
        for (const Device& d : m_devices)
            reply += describe(d) + QLatin1Char('\n');
        return reply + ok;
    }
    if (command == QLatin1String("event") && words.size() == 2) {
        const int code = int(words.at(1).toLongLong(&valid, 0));
        if (!valid)
            return err(QStringLiteral("bad event code"));
        fireCode(code);
        return ok;
    }
    if (words.size() < 2)
        return err(QStringLiteral("unknown command; try: list, plug SN, unplug SN, event CODE, data SN HEX, "
                                  "read SN ADDRESS COUNT, prop SN NUMBER COUNT"));
    Device* d = bySerial(words.at(1));
    if (!d)
        return err(QStringLiteral("no device with SN ") + words.at(1));

    if ((command == QLatin1String("plug") || command == QLatin1String("unplug")) && words.size() == 2) {
        const bool plug = command == QLatin1String("plug");
        if (d->plugged == plug)
            return err(plug ? QStringLiteral("already plugged") : QStringLiteral("not plugged"));
        d->plugged = plug;
        d->mode = Mode::Normal; // unplugging ends a flashing; the mouse comes back normal
        d->subscription = nullptr;
        ++d->epoch;
        fireEvent(*d, plug ? kEventArrival : kEventRemoval);
        return ok;
    }
    if (command == QLatin1String("data") && words.size() == 3) {
        const QByteArray bytes = QByteArray::fromHex(words.at(2).toLatin1());
        if (bytes.isEmpty() || bytes.size() > kPropSize || bytes.toHex() != words.at(2).toLatin1().toLower())
            return err(QStringLiteral("data must be 1 to 64 bytes in hexadecimal"));
        if (!d->subscription)
            return err(QStringLiteral("not subscribed to data reports"));
        sendReport(*d, bytes);
        return ok;
    }
    if ((command == QLatin1String("read") || command == QLatin1String("prop")) && words.size() == 4) {
        const int where = number(2);
        const int count = number(3);
        QByteArray bytes(qBound(0, count, kMemorySize), '\0');
        uint8_t* out = reinterpret_cast<uint8_t*>(bytes.data());
        const bool done = valid && (command == QLatin1String("read") ? d->store->read(where, out, count)
                                                                     : d->store->readProp(where, out, count));
        if (!done)
            return err(QStringLiteral("out of range"));
        return QString::fromLatin1(bytes.toHex()) + QLatin1Char('\n') + ok;
    }
    return err(QStringLiteral("unknown command or wrong number of arguments"));
}

} // namespace hxsim
