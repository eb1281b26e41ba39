#include "update/firmwareflasher.h"

#include "app/cefapplication.h"
#include "device/devices_handler.h"
#include "update/firmwareimage.h"

#include <QCoreApplication>
#include <QFile>
#include <QTime>
#include <QTimer>

#include <array>
#include <cstring>

namespace {

constexpr int MsPerDay = 24 * 60 * 60 * 1000;
const char16_t kEmptyKey[] = u"";

const QString kMouseNotFound = QStringLiteral("鼠标更新失败。。。");
const QString kWritten = QStringLiteral("更新成功");
const QString kWriteFailed = QStringLiteral("更新失败");
const QString kVerified = QStringLiteral("校验成功,启动设备。。。");
const QString kVerifyFailed = QStringLiteral("校验失败，请重新更新");

const char16_t* utf16(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

} // namespace

const char16_t FirmwareFlasher::flashDeviceId[] = u"HID\\Vid_1e5f&Pid_7a31";

FirmwareFlasher::FirmwareFlasher(devices_handler* library, ShowText show)
    : firmwareImage(firmwareimage::ImageSize, '\0'), m_library(library), m_show(std::move(show)),
      m_timeOfDay([] { return QTime::currentTime().msecsSinceStartOfDay(); })
{
}

FirmwareFlasher::~FirmwareFlasher()
{
    *m_alive = false;
}

QString FirmwareFlasher::imagePath()
{
    return cefApplication::workDir + QStringLiteral("tupdates/firmware/ready/update.bin");
}

int FirmwareFlasher::deadlineAfter(int now, int ms)
{
    return int((qint64(now) + ms) % MsPerDay);
}

bool FirmwareFlasher::pumpEventsFor(int ms)
{
    const std::shared_ptr<bool> alive = m_alive;
    const TimeOfDay timeOfDay = m_timeOfDay;
    const int deadline = deadlineAfter(timeOfDay(), ms);
    // A timer wakes the wait, so the loop sleeps between events instead of spinning.
    QTimer wake;
    wake.setSingleShot(true);
    for (int now = timeOfDay(); now < deadline; now = timeOfDay()) {
        wake.start(qBound(1, deadline - now, 100));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!*alive)
            return false;
    }
    return true;
}

bool FirmwareFlasher::deviceExists(const char16_t* id) const
{
    return m_library->hxDeviceExist && m_library->hxDeviceExist(id) == 0;
}

bool FirmwareFlasher::loadFirmwareImage()
{
    QFile file(imagePath());
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    // One byte more than an image holds tells an over-long file without reading all of it.
    const QByteArray content = file.read(firmwareimage::ImageSize + 1);
    m_fileSize = content.size();
    firmwareImage.fill('\0', firmwareimage::ImageSize);
    std::memcpy(firmwareImage.data(), content.constData(), size_t(qMin(content.size(), firmwareimage::ImageSize)));
    return firmwareimage::word(firmwareImage, 0) == firmwareimage::Magic && firmwareimage::word(firmwareImage, 4) == 0;
}

bool FirmwareFlasher::writeFirmwareBlocks()
{
    if (!m_library->hxBornRom)
        return false;
    const qint64 length = firmwareimage::dataLength(firmwareImage);
    const qint64 blocks = length / firmwareimage::BlockSize + 1;
    int remaining = int(length);
    int offset = 0;
    int result = -1;
    for (qint64 i = 0; i < blocks; ++i) {
        const int count = qMin(remaining, firmwareimage::BlockSize);
        std::array<uint8_t, hx::kTransferSize> block{};
        std::memcpy(block.data(), firmwareImage.constData() + firmwareimage::DataOffset + offset, size_t(count));
        result = m_library->hxBornRom(flashDeviceId, kEmptyKey, hx::kCode, block.data(), count, offset);
        if (!pumpEventsFor(20))
            return false;
        remaining -= firmwareimage::BlockSize;
        offset += firmwareimage::BlockSize;
    }
    return result == 0;
}

bool FirmwareFlasher::flashingModeFound()
{
    if (deviceExists(flashDeviceId))
        return true;
    if (!pumpEventsFor(4000))
        return false;
    if (deviceExists(flashDeviceId))
        return true;
    if (!pumpEventsFor(5000))
        return false;
    return deviceExists(flashDeviceId);
}

void FirmwareFlasher::flashFirmware(const QString& hardwareId)
{
    // Checked after every wait: the flasher may be gone by then, and its members with it.
    const std::shared_ptr<bool> alive = m_alive;
    // Without a mouse, or without a library that can write blocks, nothing is started: a reset
    // or an erase would leave the mouse without firmware.
    if (hardwareId.isEmpty() || !m_library || !m_library->hxBornRom) {
        m_show(hardwareId.isEmpty() ? kMouseNotFound : kWriteFailed);
        return;
    }
    if (!deviceExists(utf16(hardwareId)))
        return;
    if (!loadFirmwareImage())
        return;
    // An image longer than the format, one cut before its check value, or one whose length
    // leaves the data area would make the mouse take bytes that are not its firmware.
    const qint64 length = firmwareimage::dataLength(firmwareImage);
    if (m_fileSize > firmwareimage::ImageSize || m_fileSize < firmwareimage::CheckOffset + 4 || length < 0 ||
        length > firmwareimage::DataCapacity) {
        m_show(kWriteFailed);
        return;
    }

    if (m_library->hxReset) {
        uint8_t scratch = 0;
        m_library->hxReset(utf16(hardwareId), kEmptyKey, hx::kCode, 1, &scratch, 0);
    }
    if (!pumpEventsFor(4000))
        return;
    const bool found = flashingModeFound();
    if (!*alive)
        return;
    if (!found) {
        m_show(kMouseNotFound);
        return;
    }
    if (m_library->hxEraseRom)
        m_library->hxEraseRom(flashDeviceId, kEmptyKey, hx::kCode);
    if (!pumpEventsFor(1000))
        return;

    const bool written = writeFirmwareBlocks();
    if (!*alive)
        return;
    m_show(written ? kWritten : kWriteFailed);

    const int verified = m_library->hxCheckRom ? m_library->hxCheckRom(flashDeviceId, kEmptyKey, hx::kCode, int(length),
                                                                       firmwareimage::checkValue(firmwareImage))
                                               : -1;
    if (verified != 0) {
        m_show(kVerifyFailed);
        return;
    }
    m_show(kVerified);
    if (!pumpEventsFor(100))
        return;
    if (m_library->hxFinishUpdateRom)
        m_library->hxFinishUpdateRom(flashDeviceId, kEmptyKey, hx::kCode);
}
