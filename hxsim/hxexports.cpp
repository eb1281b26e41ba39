// The exports of libhx.so: argument checks, then the simulator.

#include "device/hxlib.h"
#include "hxsim/libraryloop.h"
#include "hxsim/simulator.h"
#include "hxsim/statedir.h"

#include <QDir>

#include <cstdio>

#define HX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

class Library {
public:
    Library()
        : m_sim(loadedConfig(), QString::fromStdString(hxsim::stateDir()),
                [this](int delayMs, hxsim::Simulator::Task task) { m_loop->post(delayMs, std::move(task)); })
    {
        m_loop = std::make_unique<hxsim::LibraryLoop>(
            hxsim::controlSocketPath(hxsim::stateDir()),
            [this](const std::string& line) { return m_sim.control(QString::fromStdString(line)).toStdString(); });
    }
    ~Library() { m_loop.reset(); } // the thread stops before the simulator goes

    hxsim::Simulator& sim() { return m_sim; }

private:
    static hxsim::Config loadedConfig()
    {
        QDir().mkpath(QString::fromStdString(hxsim::stateDir()));
        hxsim::Config config = hxsim::loadConfig();
        for (const QString& problem : config.problems)
            std::fprintf(stderr, "hxsim: %s\n", qPrintable(problem));
        return config;
    }

    hxsim::Simulator m_sim;
    std::unique_ptr<hxsim::LibraryLoop> m_loop;
};

hxsim::Simulator& sim()
{
    static Library library;
    return library.sim();
}

// Every per-device call names the device, passes an empty key and the fixed code.
bool valid(const char16_t* id, const char16_t* key, int code)
{
    return id && key && code == hx::kCode;
}

QString text(const char16_t* id)
{
    return QString::fromUtf16(id);
}

} // namespace

HX_EXPORT int hxDevices(HxSelection selection, uint8_t* list, int size)
{
    return sim().devices(selection, list, size);
}

HX_EXPORT void hxOnDeviceEvent(HxEventCallback* callback)
{
    sim().onDeviceEvent(callback ? *callback : nullptr);
}

HX_EXPORT void hxonDeviceData(const char16_t* hardwareId, const char16_t* devicePath, int code,
                              HxDataCallback* callback)
{
    if (hardwareId && devicePath && code == hx::kCode)
        sim().onDeviceData(text(hardwareId), callback ? *callback : nullptr);
}

HX_EXPORT int hxReadProp(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count, int property)
{
    if (!valid(id, key, code) || !buffer || count > hx::kTransferSize)
        return hxsim::kBadArgument;
    return sim().readProp(text(id), buffer, count, property);
}

HX_EXPORT int hxWriteProp(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count, int property)
{
    if (!valid(id, key, code) || !buffer || count > hx::kTransferSize)
        return hxsim::kBadArgument;
    return sim().writeProp(text(id), buffer, count, property);
}

HX_EXPORT int hxRead(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count, int address)
{
    if (!valid(id, key, code) || !buffer || count > hx::kTransferSize)
        return hxsim::kBadArgument;
    return sim().read(text(id), buffer, count, address);
}

HX_EXPORT int hxWrite(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count, int address)
{
    if (!valid(id, key, code) || !buffer || count > hx::kTransferSize)
        return hxsim::kBadArgument;
    return sim().write(text(id), buffer, count, address);
}

HX_EXPORT int hxNotify(const char16_t* id, const char16_t* key, int code, HxNotifyBytes bytes, uint8_t* status,
                       int reserved)
{
    if (!valid(id, key, code) || reserved != 0)
        return hxsim::kBadArgument;
    const int result = sim().notify(text(id), bytes.type, bytes.data);
    if (status)
        *status = uint8_t(result);
    return result;
}

HX_EXPORT int hxDeviceExist(const char16_t* id)
{
    return id ? sim().deviceExist(text(id)) : hxsim::kBadArgument;
}

HX_EXPORT int hxReset(const char16_t* id, const char16_t* key, int code, uint16_t mode, uint8_t* status, int reserved)
{
    if (!valid(id, key, code) || reserved != 0)
        return hxsim::kBadArgument;
    const int result = sim().reset(text(id), mode);
    if (status)
        *status = uint8_t(result);
    return result;
}

HX_EXPORT int hxEraseRom(const char16_t* id, const char16_t* key, int code)
{
    return valid(id, key, code) ? sim().eraseRom(text(id)) : hxsim::kBadArgument;
}

HX_EXPORT int hxBornRom(const char16_t* id, const char16_t* key, int code, uint8_t* block, int count, int offset)
{
    if (!valid(id, key, code) || !block)
        return hxsim::kBadArgument;
    return sim().bornRom(text(id), block, count, offset);
}

HX_EXPORT int hxCheckRom(const char16_t* id, const char16_t* key, int code, int length, uint32_t check)
{
    return valid(id, key, code) ? sim().checkRom(text(id), length, check) : hxsim::kBadArgument;
}

HX_EXPORT int hxFinishUpdateRom(const char16_t* id, const char16_t* key, int code)
{
    return valid(id, key, code) ? sim().finishUpdateRom(text(id)) : hxsim::kBadArgument;
}
