#include "update/psupdatedownloader.h"

#include "app/cefapplication.h"
#include "update/packageunpacker.h"
#include "update/updatefolders.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <cstdlib>

PsUpdateDownloader::PsUpdateDownloader(QThread* thread, const QString& url, const QString& kind) : url(url), kind(kind)
{
    moveToThread(thread);
    manager.moveToThread(thread);
    outputFile.moveToThread(thread);
    connect(thread, &QThread::started, this, &PsUpdateDownloader::start);
    prepareTarget();
}

QString PsUpdateDownloader::targetName(const QString& url)
{
    static const QRegularExpression lastSegment(QStringLiteral("/([^/\\?]+)(\\?|$)"));
    const QString name = lastSegment.match(url).captured(1);
    // "." and ".." would name the kind folder or its parent.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("tupdate-%1").arg(std::rand());
    return name;
}

qint64 PsUpdateDownloader::receivedBytes()
{
    QMutexLocker locker(&mutex);
    return received;
}

void PsUpdateDownloader::addReceived(qint64 bytes)
{
    QMutexLocker locker(&mutex);
    received += bytes;
}

void PsUpdateDownloader::prepareFolder(const QString& folder, const QString& target)
{
    QDir dir(folder);
    if (!dir.exists()) {
        QDir().mkdir(folder);
        return;
    }
    const QString targetAbsolute = QFileInfo(target).absoluteFilePath();
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files)) {
        if (entry.absoluteFilePath() != targetAbsolute)
            QFile::remove(entry.absoluteFilePath());
    }
}

void PsUpdateDownloader::prepareTarget()
{
    const QString root = cefApplication::workDir + QStringLiteral("tupdates/");
    const QString kindDir = root + kind + QLatin1Char('/');
    const QString target = kindDir + targetName(url);
    prepareFolder(root, target);
    prepareFolder(kindDir, target);
    outputFile.setFileName(target);

    const QFileInfo info(target);
    if (!info.exists())
        return;
    const qint64 size = info.size();
    if (size < 0x7FFFFFFF) {
        const qint64 whole = size - size % ResumeUnit;
        if (whole == size)
            received = size;
        else if (whole != 0 && outputFile.resize(whole))
            received = whole;
    }
    if (received == 0)
        QFile::remove(target);
}

void PsUpdateDownloader::start()
{
    sendRequest();
}

void PsUpdateDownloader::sendRequest()
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setRawHeader("Range", "bytes=" + QByteArray::number(receivedBytes()) + "-");
    request.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, true);
    if (reply)
        reply->deleteLater();
    reply = manager.get(request);
    connect(reply, &QNetworkReply::downloadProgress, this, &PsUpdateDownloader::partFinished);
    connect(reply, &QNetworkReply::errorOccurred, this, &PsUpdateDownloader::partFailed);
    connect(reply, &QNetworkReply::readyRead, this, [this] { takeArrived(); });
}

namespace {

// A status that carries package data; none yet counts as one.
bool carriesData(const QVariant& status)
{
    const int code = status.toInt();
    return !status.isValid() || code == 200 || code == 206;
}

} // namespace

void PsUpdateDownloader::partFinished(qint64 got, qint64 total)
{
    if (!reply)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.toInt();
    if (status.isValid() && code != 200 && code != 206 && code != 416) {
        clearClientUpdates();
        return;
    }
    emit finishPart(got, total);
    // A 416 body is the server's error page, not package data: the error handler takes over.
    if (code == 416)
        return;
    if (!appendBuffered())
        return;
    // Without a length (total -1) the transfer is complete only once the reply has finished;
    // the reply then reports got == total.
    if (total >= 0 && got >= total) {
        reply->deleteLater();
        reply = nullptr;
        outputFile.close();
        emit downLoadFinished();
        unpack();
    }
}

// Qt reports progress at most every 100 ms, so the data is also taken as it arrives: waiting
// for the report would leave the reply buffering up to 100 ms of transfer and start the file
// only after the first report.
void PsUpdateDownloader::takeArrived()
{
    if (reply && carriesData(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute)))
        appendBuffered();
}

bool PsUpdateDownloader::appendBuffered()
{
    if (!outputFile.isOpen()) {
        // A server that ignores the range sends the whole package again: start the file over
        // rather than put the old part in front of it.
        const bool restart =
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200 && receivedBytes() > 0;
        const QIODevice::OpenMode mode = restart ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::Append;
        if (!outputFile.open(mode)) {
            clearClientUpdates();
            return false;
        }
        if (restart) {
            QMutexLocker locker(&mutex);
            received = 0;
        }
    }
    const QByteArray data = reply->readAll();
    if (!data.isEmpty()) {
        outputFile.write(data);
        addReceived(data.size());
    }
    return true;
}

void PsUpdateDownloader::partFailed(QNetworkReply::NetworkError)
{
    if (!reply)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    reply->deleteLater();
    reply = nullptr;
    // What arrived stays on disk for the next attempt.
    outputFile.close();
    if (status.isValid() && status.toInt() == 416) {
        unpack();
        return;
    }
    emit downLoadFailed();
}

void PsUpdateDownloader::unpack()
{
    QString version;
    if (unpackPackage(outputFile.fileName(), kind, &version))
        emit unpressFinished(version);
}
