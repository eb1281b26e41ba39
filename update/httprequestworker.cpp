#include "update/httprequestworker.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>
#include <QtGlobal>

namespace {

QByteArray percentEncodedPairs(const QMap<QString, QString>& fields)
{
    QByteArray text;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        if (it != fields.constBegin())
            text += '&';
        text += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return text;
}

bool isReadableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && info.isReadable();
}

QByteArray multipartBody(HttpRequestParams& params, const QString& boundary)
{
    const QByteArray delimiter = "--" + boundary.toUtf8() + "\r\n";
    QByteArray body;
    for (auto it = params.fields.constBegin(); it != params.fields.constEnd(); ++it) {
        body += delimiter;
        body += "Content-Disposition: form-data; " + HttpRequestWorker::encodeFormAttribute("name", it.key()).toUtf8() +
                "\r\n";
        body += "Content-Type: text/plain\r\n\r\n";
        body += it.value().toUtf8() + "\r\n";
    }
    for (HttpAttachment& attachment : params.attachments) {
        if (attachment.localPath.isEmpty() || attachment.fieldName.isEmpty() || !isReadableFile(attachment.localPath))
            continue;
        QFile file(attachment.localPath);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        if (attachment.uploadName.isEmpty()) {
            attachment.uploadName = QFileInfo(attachment.localPath).fileName();
            if (attachment.uploadName.isEmpty())
                attachment.uploadName = QStringLiteral("file");
        }
        body += delimiter;
        body += QStringLiteral("Content-Disposition: form-data; %1; %2")
                    .arg(HttpRequestWorker::encodeFormAttribute(QStringLiteral("name"), attachment.fieldName),
                         HttpRequestWorker::encodeFormAttribute(QStringLiteral("filename"), attachment.uploadName))
                    .toUtf8() +
                "\r\n";
        if (!attachment.contentType.isEmpty())
            body += "Content-Type: " + attachment.contentType.toUtf8() + "\r\n";
        body += "Content-Transfer-Encoding: binary\r\n\r\n";
        body += file.readAll();
        body += "\r\n";
        file.close();
    }
    body += "--" + boundary.toUtf8() + "--";
    return body;
}

} // namespace

HttpRequestWorker::HttpRequestWorker(QObject* parent) : QObject(parent)
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED // the boundary is made from qrand, seeded here
        qsrand(QDateTime::currentDateTime().toTime_t());
    QT_WARNING_POP
    manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &HttpRequestWorker::on_manager_finished);
}

HttpRequestWorker::~HttpRequestWorker()
{
    manager->deleteLater();
}

QString HttpRequestWorker::encodeFormAttribute(const QString& name, const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    QString plain;
    bool extended = false;
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '\\' || byte == '/' || byte < 0x20 || byte >= 0x7F) {
            extended = true;
        } else if (byte == '"') {
            plain += QLatin1String("\\\"");
        } else {
            plain += QLatin1Char(c);
        }
    }
    if (!plain.isEmpty() && !extended)
        return QStringLiteral("%1=\"%2\"").arg(name, plain);

    QString ext;
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9'))
            ext += QLatin1Char(c);
        else
            ext += QStringLiteral("%%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return QStringLiteral("%1=\"%2\"; %1*=utf-8''%3").arg(name, plain, ext);
}

void HttpRequestWorker::send(HttpRequestParams& params)
{
    replyBody.clear();
    errorCode = QNetworkReply::NoError;
    errorText.clear();

    if (!params.attachments.isEmpty())
        params.layout = Multipart;
    if (params.layout == Unset)
        params.layout = (params.method == QLatin1String("GET") || params.method == QLatin1String("HEAD"))
                            ? InQuery
                            : FormUrlEncoded;

    QByteArray body;
    QString boundary;
    if ((params.layout == InQuery || params.layout == FormUrlEncoded) && !params.fields.isEmpty()) {
        body = percentEncodedPairs(params.fields);
        if (params.layout == InQuery) {
            params.url += QLatin1Char('?') + QString::fromLatin1(body);
            body.clear();
        }
    }
    if (params.layout == Multipart) {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        boundary =
            QStringLiteral("__-----------------------%1%2").arg(QDateTime::currentDateTime().toTime_t()).arg(qrand());
        QT_WARNING_POP
        body = multipartBody(params, boundary);
    }

    QNetworkRequest request(QUrl(params.url, QUrl::TolerantMode));
    request.setRawHeader("User-Agent", "Agent name goes here");
    if (params.layout == FormUrlEncoded)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    else if (params.layout == Multipart)
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("multipart/form-data; boundary=") + boundary);

    const QString& method = params.method;
    if (method == QLatin1String("GET")) {
        manager->get(request);
    } else if (method == QLatin1String("POST")) {
        manager->post(request, body);
    } else if (method == QLatin1String("PUT")) {
        manager->put(request, body);
    } else if (method == QLatin1String("HEAD")) {
        manager->head(request);
    } else if (method == QLatin1String("DELETE")) {
        manager->deleteResource(request);
    } else {
        // The buffer holds its own copy of the body; it goes with the reply.
        auto* buffer = new QBuffer(this);
        buffer->setData(body);
        buffer->open(QIODevice::ReadOnly);
        QNetworkReply* reply = manager->sendCustomRequest(request, method.toLatin1(), buffer);
        buffer->setParent(reply);
    }
}

void HttpRequestWorker::on_manager_finished(QNetworkReply* reply)
{
    errorCode = reply->error();
    if (errorCode == QNetworkReply::NoError)
        replyBody = reply->readAll();
    else
        errorText = reply->errorString();
    reply->deleteLater();
    emit on_execution_finished(this);
}
