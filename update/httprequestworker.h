#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

// Where the fields of a request go.
enum HttpBodyLayout { Unset = 0, InQuery = 1, FormUrlEncoded = 2, Multipart = 3 };

// One file to upload in a multipart body.
struct HttpAttachment {
    QString fieldName;
    QString localPath;
    QString uploadName;  // filled in by send when empty
    QString contentType; // no header when empty
};

// One request: the worker decides from the method and the attachments where the fields go.
struct HttpRequestParams {
    HttpRequestParams() = default;
    HttpRequestParams(const QString& url, const QString& method) : url(url), method(method) {}

    QString url;
    QString method;
    HttpBodyLayout layout = Unset;
    QMap<QString, QString> fields; // walked in key order
    QList<HttpAttachment> attachments;
};

// A small HTTP client: one request at a time, the reply reported by on_execution_finished.
class HttpRequestWorker : public QObject {
    Q_OBJECT
public:
    explicit HttpRequestWorker(QObject* parent = nullptr);
    ~HttpRequestWorker() override;

    void send(HttpRequestParams& params);

    // One parameter of a Content-Disposition header, in the simple or the extended form.
    static QString encodeFormAttribute(const QString& name, const QString& value);

    QByteArray replyBody;
    QNetworkReply::NetworkError errorCode = QNetworkReply::NoError;
    QString errorText;

signals:
    void on_execution_finished(HttpRequestWorker* worker);

private slots:
    void on_manager_finished(QNetworkReply* reply);

private:
    QNetworkAccessManager* manager;
};
