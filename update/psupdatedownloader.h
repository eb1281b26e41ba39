#pragma once

#include <QFile>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class QThread;

// Fetches one update package into workDir + "tupdates/" + kind + "/", resuming a partial
// download from its whole 100 KiB, then checks and unpacks it into the kind's ready folder.
// Everything after construction runs in the thread given to the constructor.
class PsUpdateDownloader : public QObject {
    Q_OBJECT
public:
    PsUpdateDownloader(QThread* thread, const QString& url, const QString& kind);

    // The file the package is downloaded to.
    QString targetPath() const { return outputFile.fileName(); }
    qint64 receivedBytes();

    // Partial downloads are resumed from a multiple of this.
    static constexpr qint64 ResumeUnit = 100 * 1024;
    // The download file's name: the last path segment of the URL before its query.
    static QString targetName(const QString& url);

signals:
    void finishPart(qint64 got, qint64 total);
    void downLoadFinished();
    void downLoadFailed();
    void unpressFinished(QString version);

public slots:
    void start();
    void partFinished(qint64 got, qint64 total);
    void partFailed(QNetworkReply::NetworkError e);
    void sendRequest();

private:
    void prepareTarget();
    void prepareFolder(const QString& folder, const QString& target);
    void takeArrived();
    bool appendBuffered();
    void unpack();
    void addReceived(qint64 bytes);

    QString url;
    QNetworkAccessManager manager;
    QNetworkReply* reply = nullptr;
    // 64-bit: a 32-bit count would overflow on a package above 2 GiB.
    qint64 received = 0;
    QFile outputFile;
    QString kind;
    QMutex mutex;
};
