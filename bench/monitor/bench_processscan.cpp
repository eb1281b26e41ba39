// One process-monitor scan with 500 extra processes running, against a bare walk of /proc
// (the least any scan must do), and the monitor's CPU share while its one-second timer runs.
#include "monitor/process_moniter.h"
#include "monitor/processsnapshot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kProcesses = 500;
constexpr int kRuns = 200;

struct Figures {
    double median;
    double p90;
};

template <typename Work> Figures measure(Work work)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10]};
}

int bareProcWalk()
{
    int count = 0;
    DIR* proc = opendir("/proc");
    while (const dirent* entry = readdir(proc))
        count += entry->d_name[0] >= '1' && entry->d_name[0] <= '9';
    closedir(proc);
    return count;
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// The CPU share of the process while a monitor reading `bindingFile` runs for `seconds`.
double monitorCpuPercent(const QString& bindingFile, int seconds)
{
    QThread thread;
    MoniterEnvironment environment = MoniterEnvironment::system();
    environment.bindingFile = bindingFile;
    environment.report = [](const QString&, bool) {};
    auto* monitor = new ProcessMoniter(&thread, environment);
    thread.start();
    QThread::msleep(1500); // past the load and the first scan
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(seconds);
    const double percent = 100.0 * (processCpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
    monitor->deleteLater();
    thread.quit();
    thread.wait();
    return percent;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString game = dir.filePath(QStringLiteral("bench-game"));
    QFile::copy(QStringLiteral("/bin/sleep"), game);
    QFile::setPermissions(game, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray gamePath = game.toLocal8Bit();

    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        char* childArgs[] = {const_cast<char*>(gamePath.constData()), const_cast<char*>("300"), nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, gamePath.constData(), nullptr, nullptr, childArgs, environ) == 0)
            children.push_back(pid);
    }
    QThread::msleep(500);

    const QString bound = dir.filePath(QStringLiteral("Moniter.xml"));
    QFile file(bound);
    file.open(QIODevice::WriteOnly);
    file.write("<conf><modeSetting><mode index=\"1\"><a bindingProcess=\"" + gamePath +
               "\"/><b bindingProcess=\"/opt/none/one\"/></mode><mode index=\"2\"><c bindingProcess=\"/opt/none/"
               "two\"/></mode></modeSetting></conf>");
    file.close();

    int seen = 0;
    processsnapshot::forEachExecutable([&seen](const std::string&) { ++seen; });
    std::printf("processes: %d readable of %d listed (%zu started for the run)\n", seen, bareProcWalk(),
                children.size());

    const Figures baseline = measure(bareProcWalk);
    const Figures snapshot = measure([]() { processsnapshot::forEachExecutable([](const std::string&) {}); });

    QThread thread;
    MoniterEnvironment environment = MoniterEnvironment::system();
    environment.bindingFile = bound;
    environment.report = [](const QString&, bool) {};
    auto* monitor = new ProcessMoniter(&thread, environment);
    thread.start();
    QThread::msleep(200);
    const Figures scan =
        measure([monitor]() { QMetaObject::invokeMethod(monitor, "timerUpDate", Qt::BlockingQueuedConnection); });
    monitor->deleteLater();
    thread.quit();
    thread.wait();

    std::printf("%-34s %9s %9s %9s\n", "", "median ms", "p90 ms", "x bare");
    std::printf("%-34s %9.3f %9.3f %9.2f\n", "baseline: bare /proc walk", baseline.median, baseline.p90, 1.0);
    std::printf("%-34s %9.3f %9.3f %9.2f\n", "process snapshot (exe links)", snapshot.median, snapshot.p90,
                snapshot.median / baseline.median);
    std::printf("%-34s %9.3f %9.3f %9.2f   target <= 3 ms: %s\n", "monitor scan (3 bindings)", scan.median, scan.p90,
                scan.median / baseline.median, scan.median <= 3.0 ? "met" : "MISSED");

    const QString empty = dir.filePath(QStringLiteral("Empty.xml"));
    const double idleCpu = monitorCpuPercent(empty, 10);
    const double busyCpu = monitorCpuPercent(bound, 10);
    std::printf("CPU of one core over 10 s: nothing bound %.3f%% (baseline), 3 bindings %.3f%%   target <= 0.5%%: %s\n",
                idleCpu, busyCpu, busyCpu <= 0.5 ? "met" : "MISSED");

    for (pid_t pid : children) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return 0;
}
