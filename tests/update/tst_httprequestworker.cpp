#include "rawhttpserver.h"

#include "update/httprequestworker.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QByteArray okReply = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";
}

class tst_httprequestworker : public QObject {
    Q_OBJECT

    // Sends `params` to `server` and returns the raw request it got.
    static QByteArray roundTrip(RawHttpServer& server, HttpRequestWorker& worker, HttpRequestParams& params)
    {
        QSignalSpy finished(&worker, &HttpRequestWorker::on_execution_finished);
        worker.send(params);
        if (!finished.wait(5000))
            return QByteArray();
        return server.requests().value(0);
    }

private slots:
    void fieldsGoWhereTheMethodSays_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantMap>("fields");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        const QVariantMap check{{"version", "1.0"}, {"deviceid", "HX-1"}, {"test", "1"}};
        QTest::newRow("GET: query in key order")
            << "/api"
            << "GET" << check << QByteArray("GET /api?deviceid=HX-1&test=1&version=1.0 HTTP/1.1") << QByteArray()
            << QByteArray();
        QTest::newRow("GET: a second question mark")
            << "/api?x=1"
            << "GET" << QVariantMap{{"a", "b"}} << QByteArray("GET /api?x=1?a=b HTTP/1.1") << QByteArray()
            << QByteArray();
        QTest::newRow("GET: percent-encoding")
            << "/q"
            << "GET" << QVariantMap{{"s", "a b"}, {"t", QString::fromUtf8("é")}, {"u", "-._~/&"}}
            << QByteArray("GET /q?s=a%20b&t=%C3%A9&u=-._~%2F%26 HTTP/1.1") << QByteArray() << QByteArray();
        QTest::newRow("GET without fields")
            << "/plain"
            << "GET" << QVariantMap() << QByteArray("GET /plain HTTP/1.1") << QByteArray() << QByteArray();
        QTest::newRow("POST: form body") << "/form"
                                         << "POST" << QVariantMap{{"b", "2"}, {"a", "1 1"}}
                                         << QByteArray("POST /form HTTP/1.1") << QByteArray("a=1%201&b=2")
                                         << QByteArray("application/x-www-form-urlencoded");
        QTest::newRow("lower-case get is a custom verb with a form body")
            << "/lc"
            << "get" << QVariantMap{{"k", "v"}} << QByteArray("get /lc HTTP/1.1") << QByteArray("k=v")
            << QByteArray("application/x-www-form-urlencoded");
        QTest::newRow("custom verb keeps its body")
            << "/p"
            << "PATCH" << QVariantMap{{"n", QString(3000, 'x')}} << QByteArray("PATCH /p HTTP/1.1")
            << QByteArray("n=" + QByteArray(3000, 'x')) << QByteArray("application/x-www-form-urlencoded");
        QTest::newRow("DELETE") << "/d"
                                << "DELETE" << QVariantMap() << QByteArray("DELETE /d HTTP/1.1") << QByteArray()
                                << QByteArray("application/x-www-form-urlencoded");
    }
    void fieldsGoWhereTheMethodSays()
    {
        QFETCH(QString, path);
        QFETCH(QString, method);
        QFETCH(QVariantMap, fields);
        QFETCH(QByteArray, requestLine);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        RawHttpServer server(okReply);
        HttpRequestWorker worker;
        HttpRequestParams params(server.url(path), method);
        for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
            params.fields.insert(it.key(), it.value().toString());
        const QByteArray request = roundTrip(server, worker, params);
        QCOMPARE(request.left(request.indexOf("\r\n")), requestLine);
        QCOMPARE(RawHttpServer::body(request), body);
        QCOMPARE(RawHttpServer::header(request, "Content-Type"), contentType);
        QCOMPARE(RawHttpServer::header(request, "User-Agent"), QByteArray("Agent name goes here"));
        QCOMPARE(worker.errorCode, QNetworkReply::NoError);
        QCOMPARE(worker.replyBody, QByteArray("hello"));
    }

    void encodeFormAttribute_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("simple") << "filename"
                                << "report.txt"
                                << "filename=\"report.txt\"";
        QTest::newRow("slash") << "name"
                               << "a/b"
                               << "name=\"ab\"; name*=utf-8''a%2Fb";
        QTest::newRow("empty") << "name"
                               << ""
                               << "name=\"\"; name*=utf-8''";
        QTest::newRow("tab") << "name"
                             << "a\tb"
                             << "name=\"ab\"; name*=utf-8''a%09b";
        QTest::newRow("quote escaped") << "name"
                                       << "say \"hi\""
                                       << "name=\"say \\\"hi\\\"\"";
        QTest::newRow("non-ASCII") << "filename" << QString::fromUtf8("é.txt")
                                   << "filename=\".txt\"; filename*=utf-8''%C3%A9%2Etxt";
    }
    void encodeFormAttribute()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(HttpRequestWorker::encodeFormAttribute(name, value), expected);
    }

    void multipartCarriesFieldsAndFiles()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("log.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\x01\xFFraw", 6));
        file.close();

        RawHttpServer server(okReply);
        HttpRequestWorker worker;
        HttpRequestParams params(server.url("/upload"), "POST");
        params.layout = FormUrlEncoded; // attachments make it multipart all the same
        params.fields.insert("z", "last");
        params.fields.insert("a", QString::fromUtf8("first é"));
        params.attachments.append({"dump", file.fileName(), QString(), "application/octet-stream"});
        params.attachments.append({"missing", dir.filePath("nope"), QString(), QString()});
        params.attachments.append({"folder", dir.path(), QString(), QString()});
        const QByteArray request = roundTrip(server, worker, params);

        QCOMPARE(params.layout, Multipart);
        QCOMPARE(params.attachments.at(0).uploadName, QString("log.bin"));
        const QByteArray type = RawHttpServer::header(request, "Content-Type");
        QVERIFY(type.startsWith("multipart/form-data; boundary=__-----------------------"));
        const QByteArray boundary = type.mid(type.indexOf('=') + 1);
        const QByteArray expected = "--" + boundary +
                                    "\r\nContent-Disposition: form-data; name=\"a\"\r\n"
                                    "Content-Type: text/plain\r\n\r\nfirst \xC3\xA9\r\n"
                                    "--" +
                                    boundary +
                                    "\r\nContent-Disposition: form-data; name=\"z\"\r\n"
                                    "Content-Type: text/plain\r\n\r\nlast\r\n"
                                    "--" +
                                    boundary +
                                    "\r\nContent-Disposition: form-data; name=\"dump\"; "
                                    "filename=\"log.bin\"\r\nContent-Type: application/octet-stream\r\n"
                                    "Content-Transfer-Encoding: binary\r\n\r\n" +
                                    QByteArray("\x00\x01\xFFraw", 6) + "\r\n--" + boundary + "--";
        QCOMPARE(RawHttpServer::body(request), expected);
    }

    void unreadableOnlyAttachmentLeavesTheClosingBoundary()
    {
        RawHttpServer server(okReply);
        HttpRequestWorker worker;
        HttpRequestParams params(server.url("/upload"), "POST");
        params.attachments.append({"f", "/nonexistent/file", QString(), QString()});
        const QByteArray request = roundTrip(server, worker, params);
        const QByteArray type = RawHttpServer::header(request, "Content-Type");
        QCOMPARE(RawHttpServer::body(request), "--" + type.mid(type.indexOf('=') + 1) + "--");
    }

    void failedReplyKeepsNoBody()
    {
        RawHttpServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot here!");
        HttpRequestWorker worker;
        HttpRequestParams params(server.url("/gone"), "GET");
        roundTrip(server, worker, params);
        QCOMPARE(worker.errorCode, QNetworkReply::ContentNotFoundError);
        QVERIFY(!worker.errorText.isEmpty());
        QVERIFY(worker.replyBody.isEmpty());

        // The next request clears the error.
        RawHttpServer good(okReply);
        HttpRequestParams again(good.url("/"), "GET");
        roundTrip(good, worker, again);
        QCOMPARE(worker.errorCode, QNetworkReply::NoError);
        QVERIFY(worker.errorText.isEmpty());
    }

    void unreachableServer()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 port = closed.serverPort();
        closed.close();
        HttpRequestWorker worker;
        HttpRequestParams params(QStringLiteral("http://127.0.0.1:%1/").arg(port), "GET");
        QSignalSpy finished(&worker, &HttpRequestWorker::on_execution_finished);
        worker.send(params);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().value<HttpRequestWorker*>(), &worker);
        QCOMPARE(worker.errorCode, QNetworkReply::ConnectionRefusedError);
    }
};

QTEST_GUILESS_MAIN(tst_httprequestworker)
#include "tst_httprequestworker.moc"
