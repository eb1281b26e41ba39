#include "update/updatedlg.h"

#include "app/cefapplication.h"
#include "update/pagebundleinstall.h"
#include "update/psupdatedownloader.h"
#include "update/updaterhandoff.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QThread>
#include <QWindow>

#include <pugixml.hpp>

#ifdef Q_OS_WIN
#include "update/updatedlg_win.h"
#endif

#include <sstream>

namespace {

template <typename Widget> Widget* placed(Widget* widget, const char* name, int x, int y)
{
    widget->setObjectName(QLatin1String(name));
    widget->move(x, y);
    return widget;
}

QString firstHardwareId()
{
    cefApplication* app = cefApplication::instance();
    if (!app)
        return QString();
    const QMap<QString, DeviceEntry> devices = app->deviceTable();
    return devices.isEmpty() ? QString() : devices.first().HardwareID;
}

} // namespace

updateDlg::updateDlg()
    : flasher(cefApplication::deviceHandler(), [this](const QString& text) { lb_install->setText(text); })
{
    setObjectName(QStringLiteral("updateDlg"));
    setFixedSize(600, 380);
    setContentsMargins(borderWidth, borderWidth, borderWidth, borderWidth);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowIcon(QIcon(QStringLiteral(":/lumora/icon.png")));

    btn_closeSetuper = placed(new QPushButton(this), "btn_closeSetuper", 562, 20);
    btn_closeSetuper->setFixedSize(18, 18);

    stack = new QStackedWidget(this);
    stack->move(10, 60);
    stack->setFixedSize(580, 310);
    stack->setContentsMargins(0, 0, 0, 0);

    pageFirst = addPage("pageFirst");
    lb_text = placed(new QLabel(QStringLiteral("Found the new version,update now?"), pageFirst), "lb_text", 110, 70);
    cancelButton = placed(new QPushButton(QStringLiteral("cancel"), pageFirst), "cancelButton", 180, 190);
    uninstallButton = placed(new QPushButton(QStringLiteral("Update"), pageFirst), "uninstallButton", 300, 190);

    pageThird = addPage("pageThird");
    lb_logo = placed(new QLabel(pageThird), "lb_logo", 156, 50);
    lb_install =
        placed(new QLabel(QStringLiteral("Downloading package resources。。。"), pageThird), "lb_install", 10, 195);
    lb_install->setFixedWidth(580);
    lb_install->setAlignment(Qt::AlignCenter);
    pb_install = placed(new QProgressBar(pageThird), "pb_install", 47, 240);
    pb_install->setRange(0, 100);
    pb_install->setValue(0);

    pageInfo = addPage("pageInfo");
    lb_info =
        placed(new QLabel(QStringLiteral("The current version is the latest version"), pageInfo), "lb_info", 110, 70);
    pb_ok = placed(new QPushButton(QStringLiteral("confirm"), pageInfo), "pb_ok", 240, 190);

    stack->setCurrentWidget(pageFirst);

    connect(btn_closeSetuper, &QPushButton::clicked, this, &updateDlg::on_btn_closeSetuper_clicked);
    connect(cancelButton, &QPushButton::clicked, this, &updateDlg::on_btn_closeSetuper_clicked);
    uninstallConnection = connect(uninstallButton, &QPushButton::clicked, this, &updateDlg::on_uninstallButton_clicekd);
    connect(pb_ok, &QPushButton::clicked, this, &updateDlg::on_pb_ok_clicked);
}

updateDlg::~updateDlg()
{
    for (PsUpdateDownloader* downloader : {clientDownloader, htmlDownloader, firmwareDownloader}) {
        if (downloader)
            downloader->deleteLater();
    }
    for (QThread* thread : {clientThread, htmlThread, firmwareThread}) {
        if (thread)
            thread->quit();
    }
}

QFrame* updateDlg::addPage(const char* name)
{
    auto* page = new QFrame(stack);
    page->setObjectName(QLatin1String(name));
    page->setFixedSize(580, 310);
    page->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(page);
    return page;
}

void updateDlg::setUpdateInfo(const QJsonObject& description, const QStringList& kinds)
{
    m_description = description;
    m_kinds = kinds;
}

void updateDlg::showInfoPage()
{
    stack->setCurrentWidget(pageInfo);
}

void updateDlg::on_btn_closeSetuper_clicked()
{
    reject();
}

void updateDlg::on_pb_ok_clicked()
{
    reject();
}

void updateDlg::on_uninstallButton_clicekd()
{
    stack->setCurrentWidget(pageThird);
    pb_install->setTextVisible(true);
    const QString firmwareUrl = m_description.value(QStringLiteral("firmwarePackage")).toString();
    const QString clientUrl = m_description.value(QStringLiteral("clientPackage")).toString();
    const QString pageUrl = m_description.value(QStringLiteral("devicePackage")).toString();
    if (m_kinds.contains(QStringLiteral("client")) && !clientUrl.isEmpty())
        startDownload(clientThread, clientDownloader, clientUrl, QStringLiteral("client"),
                      &updateDlg::on_clientPackageDownLoadFinished);
    if (m_kinds.contains(QStringLiteral("html")) && !pageUrl.isEmpty())
        startDownload(htmlThread, htmlDownloader, pageUrl, QStringLiteral("html"),
                      &updateDlg::on_htmlPackageDownLoadFinished);
    if (m_kinds.contains(QStringLiteral("firmware")) && !firmwareUrl.isEmpty())
        startDownload(firmwareThread, firmwareDownloader, firmwareUrl, QStringLiteral("firmware"),
                      &updateDlg::on_firmPackageDownLoadFinished);
}

void updateDlg::startDownload(QThread*& thread, PsUpdateDownloader*& downloader, const QString& url,
                              const QString& kind, void (updateDlg::*finished)(QString))
{
    // A second press while downloading would start a second downloader on the same file.
    if (thread)
        return;
    thread = new QThread;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    downloader = new PsUpdateDownloader(thread, url, kind);
    connect(downloader, &PsUpdateDownloader::finishPart, this, &updateDlg::on_finishPart);
    connect(downloader, &PsUpdateDownloader::unpressFinished, this, finished);
    connect(downloader, &PsUpdateDownloader::downLoadFailed, this, &updateDlg::on_downLoadFaild);
    thread->start(QThread::InheritPriority);
}

void updateDlg::on_finishPart(qint64 part, qint64 total)
{
    // A total of 0 has no percentage, and a share outside 0-100 (no length: total -1) is no
    // progress: the bar stays as it is.
    if (total == 0)
        return;
    const qint64 percent = part * 100 / total;
    if (percent >= 0 && percent <= 100)
        pb_install->setValue(int(percent));
}

void updateDlg::on_downLoadFaild()
{
    lb_install->setText(QStringLiteral("Download failed, please check the network"));
}

void updateDlg::updateNow()
{
    emit needupdate();
}

void updateDlg::on_clientPackageDownLoadFinished(QString version)
{
    if (!placeUpdater())
        return;
    lb_text->setText(QStringLiteral("The download is complete,Restart now?"));
    // No layout sizes the label: the longer text would be cut at the old one's width.
    lb_text->adjustSize();
    uninstallButton->setText(QStringLiteral("Restart Now"));
    disconnect(uninstallConnection);
    connect(uninstallButton, &QPushButton::clicked, this, &updateDlg::updateNow, Qt::UniqueConnection);
    stack->setCurrentWidget(pageFirst);
    updaterPending = true;
    writeInstalledVersion(version);
}

void updateDlg::writeInstalledVersion(const QString& version)
{
    cefApplication* app = cefApplication::instance();
    if (!app || app->clientValue(QStringLiteral("version")).isEmpty())
        return;
    pugi::xml_document document;
    const QByteArray text = app->settingsText().toUtf8();
    if (!document.load_buffer(text.constData(), size_t(text.size())))
        return;
    pugi::xml_attribute attribute = document.child("root").child("client").attribute("version");
    if (attribute)
        attribute.set_value(version.toUtf8().constData());
    std::ostringstream out;
    document.save(out);
    app->setSettingsText(QString::fromStdString(out.str()));
    app->saveSettings();
}

void updateDlg::on_htmlPackageDownLoadFinished(QString)
{
    lb_install->setText(QStringLiteral("Update Complete"));
    installPageBundle();
    accept();
}

void updateDlg::on_firmPackageDownLoadFinished(QString)
{
    lb_install->setText(QStringLiteral("正在更新固件，请勿插拔鼠标"));
    flashFirmware();
}

void updateDlg::flashFirmware()
{
    flasher.flashFirmware(firstHardwareId());
}

void updateDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), QPixmap(QStringLiteral(":/image/background")));
}

bool updateDlg::dragsWindow(const QPoint& pos) const
{
    if (!rect().contains(pos))
        return false;
    const QWidget* under = childAt(pos);
    return !under || under == stack->currentWidget() || under == stack;
}

// The dialog has no frame: the window system moves it when it can, else it follows the mouse.
void updateDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragsWindow(event->pos())) {
        QDialog::mousePressEvent(event);
        return;
    }
    QWindow* window = windowHandle();
    if (window && window->startSystemMove())
        return;
    dragging = true;
    dragOffset = event->globalPos() - frameGeometry().topLeft();
}

void updateDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPos() - dragOffset);
    else
        QDialog::mouseMoveEvent(event);
}

void updateDlg::mouseReleaseEvent(QMouseEvent* event)
{
    dragging = false;
    QDialog::mouseReleaseEvent(event);
}

#ifdef Q_OS_WIN
bool updateDlg::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    const auto dragsAt = [this](int x, int y) { return dragsWindow(mapFromGlobal(QPoint(x, y))); };
    if (dialoghittest::captionHit(message, dragsAt, result))
        return true;
    return QDialog::nativeEvent(eventType, message, result);
}
#endif
