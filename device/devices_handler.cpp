#include "device/devices_handler.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QtDebug>

namespace {
// The maker's library beside the program, named as each platform names shared libraries.
#ifdef Q_OS_WIN
constexpr char kLibraryName[] = "libhx.dll";
#else
constexpr char kLibraryName[] = "libhx.so";
#endif

// The handler that receives the library's callbacks. The lock lets the handler go away while
// the library's thread is delivering.
QMutex g_callbackLock;
devices_handler* g_receiver = nullptr;

// The library is handed pointers to variables holding the callbacks.
HxEventCallback g_eventCallback = &devices_handler::deviceEventCallback;
HxDataCallback g_dataCallback = &devices_handler::deviceDataCallback;

const char16_t kEmptyKey[] = u"";

} // namespace

devices_handler::devices_handler(QObject* parent)
    : devices_handler(parent, QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kLibraryName))
{
}

devices_handler::devices_handler(QObject* parent, const QString& libraryPath) : QObject(parent)
{
    m_library.setFileName(libraryPath);
    if (!m_library.load()) {
        qInfo("devices_handler: no device library: %s", qPrintable(m_library.errorString()));
        return;
    }
    resolve();
    {
        QMutexLocker locker(&g_callbackLock);
        g_receiver = this;
    }
    if (hxOnDeviceEvent)
        hxOnDeviceEvent(&g_eventCallback);
}

devices_handler::~devices_handler()
{
    QMutexLocker locker(&g_callbackLock);
    if (g_receiver == this)
        g_receiver = nullptr;
}

void devices_handler::resolve()
{
    auto bind = [this](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(m_library.resolve(name));
    };
    bind(hxDevices, "hxDevices");
    bind(hxOnDeviceEvent, "hxOnDeviceEvent");
    bind(hxonDeviceData, "hxonDeviceData");
    bind(hxReadProp, "hxReadProp");
    bind(hxWriteProp, "hxWriteProp");
    bind(hxRead, "hxRead");
    bind(hxWrite, "hxWrite");
    bind(hxNotify, "hxNotify");
    bind(hxDeviceExist, "hxDeviceExist");
    bind(hxReset, "hxReset");
    bind(hxEraseRom, "hxEraseRom");
    bind(hxBornRom, "hxBornRom");
    bind(hxCheckRom, "hxCheckRom");
    bind(hxFinishUpdateRom, "hxFinishUpdateRom");
}

DeviceList devices_handler::listDevices(const QString& filter)
{
    DeviceList list;
    if (!hxDevices)
        return list;
    HxSelection selection{};
    selection.words[0] = hx::kSelectDevice;
    selection.words[1] = hx::kSelectLoader;
    hxDevices(selection, list.bytes.data(), hx::kListSize);
    if (filter.isEmpty() || !hxonDeviceData)
        return list;
    for (int i = 0; i < devicelist::count(list); ++i) {
        const QString prefix = devicelist::versionPrefix(list, i);
        if (prefix.isEmpty() || !filter.contains(prefix))
            continue;
        const DeviceRecord record = devicelist::record(list, i);
        hxonDeviceData(reinterpret_cast<const char16_t*>(record.HardwareID.utf16()),
                       reinterpret_cast<const char16_t*>(record.DevicePath.utf16()), hx::kCode, &g_dataCallback);
    }
    return list;
}

uint8_t* devices_handler::readBytes(uint8_t* buffer, const char16_t* id, int count, int address)
{
    if (hxRead)
        hxRead(id, kEmptyKey, hx::kCode, buffer, count, address);
    return buffer;
}

bool devices_handler::writeBytes(const char16_t* id, uint8_t* data, int count, int address)
{
    return hxWrite && hxWrite(id, kEmptyKey, hx::kCode, data, count, address) == 0;
}

bool devices_handler::notify(const char16_t* id, uint8_t type, uint8_t data)
{
    uint8_t status = 0;
    return hxNotify && hxNotify(id, kEmptyKey, hx::kCode, HxNotifyBytes{type, data}, &status, 0) == 0;
}

bool devices_handler::deviceEventCallback(int code)
{
    QMutexLocker locker(&g_callbackLock);
    if (!g_receiver)
        return true;
    // Only the first of every five events goes on.
    const bool first = g_receiver->m_eventCount == 0;
    g_receiver->m_eventCount = (g_receiver->m_eventCount + 1) % 5;
    if (first)
        emit g_receiver->deviceEvent(code & 0xFFFF);
    return true;
}

bool devices_handler::deviceDataCallback(const HxDataReport* report, void*)
{
    if (!report || !report->data)
        return true;
    // Exactly eight bytes; a shorter report is padded with zeros rather than read past its end.
    QByteArray bytes(reinterpret_cast<const char*>(report->data), qBound(0, report->length, 8));
    bytes.append(8 - bytes.size(), '\0');
    const QString hex = QString::fromLatin1(bytes.toHex());
    QMutexLocker locker(&g_callbackLock);
    if (g_receiver)
        emit g_receiver->deviceData(hex);
    return true;
}
