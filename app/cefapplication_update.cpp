#include "app/cefapplication.h"

#include "update/updatecheck.h"

void cefApplication::checkForUpdate(bool manual)
{
    // The running check's dialog has its reply handler on the stack: ask again once it closes.
    if (m_updateCheck && m_updateCheck->dialogRunning()) {
        m_updateCheck->deferCheck(manual);
        return;
    }
    QString deviceId;
    QString firmwareVersion;
    const QMap<QString, DeviceEntry> devices = deviceTable();
    if (!devices.isEmpty()) {
        deviceId = devices.first().DeviceID;
        firmwareVersion = devices.first().Version;
    }
    delete m_updateCheck;
    m_updateCheck = new UpdateCheck(this);
    connect(m_updateCheck, &UpdateCheck::closeApp, this, &cefApplication::on_closeApp);
    connect(
        m_updateCheck, &UpdateCheck::recheckRequested, this, [this](bool again) { checkForUpdate(again); },
        Qt::QueuedConnection);
    m_updateCheck->setServer(clientValue(QStringLiteral("updateServer")));
    m_updateCheck->requestCheck(deviceId, firmwareVersion, clientValue(QStringLiteral("version")), manual);
}
