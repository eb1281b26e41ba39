#include "update/updatecheck.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "bridge/vesk.h"
#include "update/httprequestworker.h"
#include "update/updatedlg.h"
#include "update/updatereply.h"

UpdateCheck::UpdateCheck(QObject* parent) : QObject(parent) {}

UpdateCheck::~UpdateCheck()
{
    if (worker)
        worker->deleteLater();
    delete dialog;
}

QPoint UpdateCheck::centredOn(const QRect& frame, const QSize& size)
{
    return QPoint(frame.x() + (frame.width() - 1) / 2 - size.width() / 2,
                  frame.y() + (frame.height() - 1) / 2 - size.height() / 2);
}

void UpdateCheck::requestCheck(const QString& deviceId, const QString& firmwareVersion, const QString& clientVersion,
                               bool manual)
{
    this->manual = manual;
    HttpRequestParams params(m_server + QStringLiteral("/api/system/upgrade"), QStringLiteral("GET"));
    params.fields.insert(QStringLiteral("deviceid"), deviceId);
    params.fields.insert(QStringLiteral("test"), QStringLiteral("1"));
    params.fields.insert(QStringLiteral("fwversion"), firmwareVersion);
    params.fields.insert(QStringLiteral("version"), clientVersion);
    params.fields.insert(QStringLiteral("noencrypt"), QStringLiteral("1"));
    worker = new HttpRequestWorker(this);
    connect(worker, &HttpRequestWorker::on_execution_finished, this, &UpdateCheck::handle_doCheckUpdate);
    worker->send(params);
}

void UpdateCheck::deferCheck(bool manual)
{
    m_deferred = true;
    m_deferredManual = m_deferredManual || manual;
}

void UpdateCheck::handle_doCheckUpdate(HttpRequestWorker* worker)
{
    QString logText;
    if (worker->errorCode != QNetworkReply::NoError) {
        logText = QStringLiteral("Error: ") + worker->errorText + QString::fromUtf8(worker->replyBody);
    } else {
        logText = QString::fromUtf8(worker->replyBody);
        const UpdateReply reply = UpdateReply::read(worker->replyBody, manual);
        if (reply.foundNewVersion)
            emit FindNewVersion();
        if (reply.action == UpdateReply::OfferUpdate) {
            auto* created = new updateDlg();
            connect(created, &updateDlg::needupdate, this, &UpdateCheck::on_needupdate);
            created->setUpdateInfo(reply.description, reply.kinds);
            runDialog(created);
        } else if (reply.action == UpdateReply::ShowUpToDate) {
            auto* created = new updateDlg();
            created->showInfoPage();
            runDialog(created);
        }
    }
    applog::info("updatesystem", logText);
    if (m_deferred) {
        m_deferred = false;
        emit recheckRequested(m_deferredManual);
        m_deferredManual = false;
    }
}

void UpdateCheck::runDialog(updateDlg* created)
{
    delete dialog;
    dialog = created;
    cefApplication* app = cefApplication::instance();
    if (app && app->mainWindow())
        dialog->move(centredOn(app->mainWindow()->frameGeometry(), dialog->size()));
    m_dialogRunning = true;
    dialog->exec();
    m_dialogRunning = false;
}

void UpdateCheck::on_needupdate()
{
    emit closeApp();
}
