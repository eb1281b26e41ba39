#include "bridge/devicecommands.h"

#include "app/cefapplication.h"
#include "bridge/commandargs.h"
#include "bridge/vesk.h"
#include "device/devices_handler.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

using namespace commandargs;

namespace {

using Buffer = std::array<uint8_t, hx::kTransferSize>;

const char16_t kEmptyKey[] = u"";

const char16_t* wide(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

// "PARAMSIZE", kept inside the transfer buffer.
int byteCount(const QVariantMap& args)
{
    return std::clamp(integer(args, QStringLiteral("PARAMSIZE")), 0, hx::kTransferSize);
}

int address(const QVariantMap& args)
{
    return DeviceCommands::hexPrefix(text(args, QStringLiteral("PARAMADDRESS")));
}

// Item i of "PARAMDATA" gives byte i; missing items stay 0.
template <typename Parse> Buffer dataBytes(const QVariantMap& args, int count, Parse parse)
{
    Buffer buffer{};
    const QStringList items = text(args, QStringLiteral("PARAMDATA")).split(QLatin1Char(','));
    for (int i = 0; i < count && i < items.size(); ++i)
        buffer[size_t(i)] = uint8_t(parse(items.at(i)) & 0xFF);
    return buffer;
}

QString byteList(const Buffer& buffer, int count)
{
    QString list;
    for (int i = 0; i < count; ++i)
        list += QStringLiteral("0x%1,").arg(buffer[size_t(i)], 2, 16, QLatin1Char('0'));
    list.chop(1);
    return list;
}

// "PARAMSIZE" bytes at "PARAMADDRESS" of the device "HardwareID", in a zeroed buffer.
Buffer readMemory(devices_handler* handler, const QVariantMap& args)
{
    Buffer buffer{};
    if (handler)
        handler->readBytes(buffer.data(), wide(text(args, QStringLiteral("HardwareID"))), byteCount(args),
                           address(args));
    return buffer;
}

bool writeMemory(devices_handler* handler, const QVariantMap& args, Buffer& data)
{
    return handler && handler->writeBytes(wide(text(args, QStringLiteral("HardwareID"))), data.data(), byteCount(args),
                                          address(args));
}

bool allZero(const Buffer& buffer)
{
    return std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; });
}

const QStringList kProductKeys = {QStringLiteral("productType"), QStringLiteral("productName"),
                                  QStringLiteral("productCN"), QStringLiteral("description"), QStringLiteral("device")};

} // namespace

DeviceCommands::DeviceCommands(vesk&)
    : DeviceCommands(cefApplication::deviceHandler(), [] {
          const cefApplication* app = cefApplication::instance();
          return app ? app->settingsText() : QString();
      })
{
}

DeviceCommands::DeviceCommands(devices_handler* handler, std::function<QString()> settingsText)
    : m_handler(handler), m_settingsText(std::move(settingsText))
{
}

int DeviceCommands::hexPrefix(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const long long value = std::strtoll(bytes.constData(), nullptr, 16);
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void DeviceCommands::getDevicesList(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    const bool listing = args.contains(QStringLiteral("Version"));
    const DeviceList list = m_handler ? m_handler->listDevices(text(args, QStringLiteral("Version"))) : DeviceList{};
    QJsonArray reply;
    pugi::xml_document settings;
    bool parsed = false;
    for (int i = 0; i < devicelist::count(list); ++i) {
        if (!parsed) {
            const QByteArray xml = m_settingsText().toUtf8();
            if (!settings.load_buffer(xml.constData(), size_t(xml.size()))) {
                vesk::replyFailure(callback, 0, QStringLiteral("queryProfile load xml file failed!"));
                return;
            }
            parsed = true;
        }
        const DeviceRecord r = devicelist::record(list, i);
        QJsonObject device{{QStringLiteral("DeviceID"), r.DeviceID},
                           {QStringLiteral("Version"), r.Version},
                           {QStringLiteral("SN"), r.SN},
                           {QStringLiteral("MASK"), r.MASK},
                           {QStringLiteral("DevicePath"), r.DevicePath},
                           {QStringLiteral("HardwareID"), r.HardwareID}};
        const QByteArray id = r.DeviceID.toUtf8();
        const pugi::xml_node info = settings.child("root")
                                        .find_child_by_attribute("deviceId", id.constData())
                                        .find_child_by_attribute("name", "产品信息");
        for (const QString& key : kProductKeys)
            device.insert(key, QString::fromUtf8(info.attribute(key.toUtf8().constData()).value()));
        if (listing)
            reply.append(device);
    }
    vesk::replySuccess(callback, QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact)));
}

void DeviceCommands::readDevicesProp(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMID"}))
        return;
    const int count = byteCount(args);
    Buffer buffer{};
    if (m_handler && m_handler->hxReadProp)
        m_handler->hxReadProp(wide(text(args, QStringLiteral("HardwareID"))), kEmptyKey, hx::kCode, buffer.data(),
                              count, integer(args, QStringLiteral("PARAMID")));
    vesk::replySuccess(callback, byteList(buffer, count));
}

void DeviceCommands::writeDevicesProp(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMID", "PARAMDATA"}))
        return;
    const int count = byteCount(args);
    Buffer buffer = dataBytes(args, count, [](const QString& item) { return item.toInt(nullptr, 16); });
    const bool written = m_handler && m_handler->hxWriteProp &&
                         m_handler->hxWriteProp(wide(text(args, QStringLiteral("HardwareID"))), kEmptyKey, hx::kCode,
                                                buffer.data(), count, integer(args, QStringLiteral("PARAMID"))) == 0;
    if (written)
        vesk::replySuccess(callback, QStringLiteral("writeDevicesProp success!"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("writeDevicesProp failed!"));
}

void DeviceCommands::readByAddr(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMADDRESS"}))
        return;
    vesk::replySuccess(callback, byteList(readMemory(m_handler, args), byteCount(args)));
}

void DeviceCommands::writeByAddr(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMADDRESS", "PARAMDATA"}))
        return;
    Buffer buffer = dataBytes(args, byteCount(args), &DeviceCommands::hexPrefix);
    if (writeMemory(m_handler, args, buffer))
        vesk::replySuccess(callback, QStringLiteral("writeByAddr success!"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("writeByAddr failed!"));
}

void DeviceCommands::notifyDevice(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "NotifyType", "NotifyData"}))
        return;
    const uint8_t type = uint8_t(integer(args, QStringLiteral("NotifyType")) & 0xFF);
    const uint8_t data = uint8_t(integer(args, QStringLiteral("NotifyData")) & 0xFF);
    if (m_handler && m_handler->notify(wide(text(args, QStringLiteral("HardwareID"))), type, data))
        vesk::replySuccess(callback, QStringLiteral("notifyDevice success!"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("notifyDevice failed!"));
}

void DeviceCommands::isPropEmpty(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMADDRESS"}))
        return;
    const bool empty = allZero(readMemory(m_handler, args));
    vesk::replySuccess(callback, empty ? QStringLiteral("true") : QStringLiteral("false"));
}

void DeviceCommands::cleanMacroByAddr(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMADDRESS"}))
        return;
    Buffer zeros{};
    if (writeMemory(m_handler, args, zeros))
        vesk::replySuccess(callback, QStringLiteral("cleanMacroByAddr success!"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("cleanMacroByAddr failed!"));
}

void DeviceCommands::writeMacroByAddr(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"HardwareID", "DevicePath", "PARAMSIZE", "PARAMADDRESS", "PARAMDATA"}))
        return;
    if (!allZero(readMemory(m_handler, args))) {
        // The memory is in use: the page learns which address it asked for, nothing is written.
        vesk::replySuccess(callback, text(args, QStringLiteral("PARAMADDRESS")));
        return;
    }
    Buffer buffer = dataBytes(args, byteCount(args), &DeviceCommands::hexPrefix);
    if (writeMemory(m_handler, args, buffer))
        vesk::replySuccess(callback, QStringLiteral("true"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("writeMacroByAddr failed!"));
}
