#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <unistd.h>

// nginx on loopback, serving the files of a folder with real ranges and 416 answers, and the
// update service's reply from "<folder>/upgrade.json". Every request is logged as
// "uri|range|user agent|status|method".
class NginxServer {
public:
    explicit NginxServer(const QString& root) : m_root(root)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
    }
    ~NginxServer() { stop(); }

    // `directives` go into the server block, e.g. "max_ranges 0;" or "limit_rate 256k;".
    bool start(const QString& directives = QString())
    {
        stop();
        const QString dir = m_state.path();
        QDir(dir).mkpath(QStringLiteral("tmp"));
        QFile conf(dir + QStringLiteral("/nginx.conf"));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QTextStream(&conf)
            << (geteuid() == 0 ? "user root;\n" : "") << "daemon off;\nmaster_process off;\n"
            << "pid " << dir << "/nginx.pid;\nerror_log " << dir << "/error.log;\n"
            << "events { worker_connections 64; }\nhttp {\n"
            << "  log_format probe '$request_uri|$http_range|$http_user_agent|$status|$request_method';\n"
            << "  access_log " << dir << "/access.log probe;\n"
            << "  client_body_temp_path " << dir << "/tmp/body;\n"
            << "  proxy_temp_path " << dir << "/tmp/proxy;\n"
            << "  fastcgi_temp_path " << dir << "/tmp/fastcgi;\n"
            << "  uwsgi_temp_path " << dir << "/tmp/uwsgi;\n"
            << "  scgi_temp_path " << dir << "/tmp/scgi;\n"
            << "  default_type application/octet-stream;\n"
            << "  server {\n    listen 127.0.0.1:" << m_port << ";\n    root " << m_root << ";\n"
            << "    " << directives << "\n"
            << "    location = /api/system/upgrade { default_type application/json; "
            << "try_files /upgrade.json =404; }\n  }\n}\n";
        conf.close();
        const QString nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {"/usr/sbin", "/usr/bin"});
        m_process.start(nginx, {"-p", dir, "-e", dir + "/error.log", "-c", dir + "/nginx.conf"});
        if (!m_process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // Ends the server at once, as a crash would: transfers in progress break off.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    QString url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path); }
    QString base() const { return url(QString()); }

    QStringList requests() const
    {
        QFile log(m_state.path() + QStringLiteral("/access.log"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QString m_root;
    QTemporaryDir m_state;
    quint16 m_port = 0;
    QProcess m_process;
};
