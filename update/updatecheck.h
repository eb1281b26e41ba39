#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class HttpRequestWorker;
class updateDlg;

// One check of the update service: the request, the reply, and the dialog it opens.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    explicit UpdateCheck(QObject* parent = nullptr);
    ~UpdateCheck() override;

    // The service's base address (the "updateServer" setting); the path is appended to it.
    void setServer(const QString& server) { m_server = server; }
    void requestCheck(const QString& deviceId, const QString& firmwareVersion, const QString& clientVersion,
                      bool manual);

    // While the dialog runs modally this check is on the stack and must not be deleted: a check
    // asked for meanwhile is kept and asked for again by recheckRequested once it has closed.
    bool dialogRunning() const { return m_dialogRunning; }
    void deferCheck(bool manual);

    updateDlg* currentDialog() const { return dialog; }

    // Top-left corner that centres a dialog of `size` on a window with `frame`.
    static QPoint centredOn(const QRect& frame, const QSize& size);

signals:
    void FindNewVersion();
    void closeApp();
    void recheckRequested(bool manual);

public slots:
    void handle_doCheckUpdate(HttpRequestWorker* worker);
    void on_needupdate();

private:
    void runDialog(updateDlg* created);

    HttpRequestWorker* worker = nullptr;
    updateDlg* dialog = nullptr;
    bool manual = false;
    QString m_server;
    bool m_dialogRunning = false;
    bool m_deferred = false;
    bool m_deferredManual = false;
};
