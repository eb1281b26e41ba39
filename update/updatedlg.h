#pragma once

#include "update/firmwareflasher.h"

#include <QDialog>
#include <QJsonObject>
#include <QMetaObject>
#include <QPoint>
#include <QStringList>

class PsUpdateDownloader;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QThread;

// The frameless dialog that offers an update ("pageFirst"), downloads its packages with
// progress ("pageThird") and acts on each unpacked package, or tells that the program is up
// to date ("pageInfo").
class updateDlg : public QDialog {
    Q_OBJECT
public:
    updateDlg();
    ~updateDlg() override;

    void setUpdateInfo(const QJsonObject& description, const QStringList& kinds);
    void showInfoPage();

    QJsonObject updateDescription() const { return m_description; }
    QStringList kinds() const { return m_kinds; }

    // Whether a press at `pos` (dialog coordinates) drags the dialog: on its margins and on the
    // empty area of the current page, not on buttons or labels.
    bool dragsWindow(const QPoint& pos) const;

signals:
    void needupdate();

public slots:
    void on_btn_closeSetuper_clicked();
    void on_uninstallButton_clicekd();
    void on_pb_ok_clicked();
    void on_finishPart(qint64 part, qint64 total);
    void on_downLoadFaild();
    void updateNow();
    void on_clientPackageDownLoadFinished(QString version);
    void on_htmlPackageDownLoadFinished(QString version);
    void on_firmPackageDownLoadFinished(QString version);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
#ifdef Q_OS_WIN
    // Windows drags frameless windows through the hit test instead.
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
#endif

private:
    QFrame* addPage(const char* name);
    void startDownload(QThread*& thread, PsUpdateDownloader*& downloader, const QString& url, const QString& kind,
                       void (updateDlg::*finished)(QString));
    void writeInstalledVersion(const QString& version);
    void flashFirmware();

    const int borderWidth = 10;
    const bool resizable = false;
    QPushButton* btn_closeSetuper = nullptr;
    QStackedWidget* stack = nullptr;
    QFrame* pageFirst = nullptr;
    QLabel* lb_text = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* uninstallButton = nullptr;
    QFrame* pageThird = nullptr;
    QLabel* lb_logo = nullptr;
    QLabel* lb_install = nullptr;
    QProgressBar* pb_install = nullptr;
    QFrame* pageInfo = nullptr;
    QLabel* lb_info = nullptr;
    QPushButton* pb_ok = nullptr;
    QJsonObject m_description;
    QStringList m_kinds;
    QThread* clientThread = nullptr;
    PsUpdateDownloader* clientDownloader = nullptr;
    QThread* htmlThread = nullptr;
    PsUpdateDownloader* htmlDownloader = nullptr;
    QThread* firmwareThread = nullptr;
    PsUpdateDownloader* firmwareDownloader = nullptr;
    // Holds firmwareImage and flashDeviceId.
    FirmwareFlasher flasher;
    QMetaObject::Connection uninstallConnection;
    // Where a drag started, when the window system cannot move the window itself.
    QPoint dragOffset;
    bool dragging = false;
};
