#include "monitor/process_moniter.h"

#include "app/applog.h"
#include "browser/clienthandler.h"
#include "monitor/moniterbindings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {
// Survives the replacement of the monitor: later loads start from "running" so that a restart
// reports only the programs that are not running.
std::atomic<int> g_loadCount{0};
constexpr int kScanIntervalMs = 1000;
} // namespace

MoniterEnvironment MoniterEnvironment::system()
{
    MoniterEnvironment environment;
    environment.bindingFile = QCoreApplication::applicationDirPath() + QStringLiteral("/view/xml/Moniter.xml");
    environment.snapshot = processsnapshot::forEachExecutable;
    environment.report = [](const QString& index, bool running) {
        if (ClientHandler* handler = clientHandler())
            handler->onProcessChanged(index, running);
    };
    return environment;
}

ProcessMoniter::ProcessMoniter(QThread* thread, MoniterEnvironment environment)
    : QObject(nullptr), m_environment(std::move(environment))
{
    moveToThread(thread);
    connect(thread, &QThread::started, this, &ProcessMoniter::start);
}

int ProcessMoniter::loadCount()
{
    return g_loadCount.load();
}

void ProcessMoniter::start()
{
    loadBindings();
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &ProcessMoniter::timerUpDate);
    m_timer->start(kScanIntervalMs);
}

void ProcessMoniter::loadBindings()
{
    if (moniterbindings::load(m_environment.bindingFile, g_loadCount.load() != 0, &m_bindings, &m_status))
        ++g_loadCount;
}

void ProcessMoniter::timerUpDate()
{
    if (m_bindings.isEmpty())
        return;
    QMap<QString, bool> fresh;
    for (auto it = m_bindings.constBegin(); it != m_bindings.constEnd(); ++it)
        fresh.insert(it.key(), false);
    const bool listed = m_environment.snapshot([&fresh](const std::string& executable) {
        auto found = fresh.find(QString::fromStdString(executable));
        if (found != fresh.end())
            *found = true;
    });
    if (!listed)
        return;

    if (fresh != m_status && fresh.size() == m_status.size()) {
        // The trace names the last status once per scan, not once per program: with many
        // bindings a per-program dump would grow with the square of their number.
        for (auto last = m_status.constBegin(); last != m_status.constEnd(); ++last)
            qDebug() << last.key() << last.value();
        for (auto it = fresh.constBegin(); it != fresh.constEnd(); ++it) {
            const QString& path = it.key();
            const bool now = it.value();
            auto last = m_status.constFind(path);
            if (last == m_status.constEnd() || last.value() == now)
                continue;
            qDebug() << path << now << last.value();
            applog::info("process_moniter", QStringLiteral("current process status changed!"));
            applog::info("process_moniter", QStringLiteral("%1  become %2").arg(path).arg(now ? 1 : 0));
            m_environment.report(m_bindings.value(path), now);
        }
    }
    m_status = fresh;
}
