// Time from a crash signal to the minidump written and the crash reporter started, on the
// real program, against the time to start the same reporter directly (the floor that any
// crash path pays).
#include "crashfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr double kTargetMs = 2000.0;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The reporter started directly; until its record is written.
double directStartMs(const QString& dir, int run)
{
    const QString record = dir + QStringLiteral("/direct-%1.record").arg(run);
    const QString dump = dir + QStringLiteral("/direct.dmp");
    QFile(dump).open(QIODevice::WriteOnly);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CRASHREPORTER_RECORD"), record);
    QElapsedTimer timer;
    timer.start();
    QProcess reporter;
    reporter.setProcessEnvironment(env);
    reporter.start(crashfixture::reporterProgram(), {dump});
    if (crashfixture::waitForRecord(record, 10000).isEmpty())
        return -1;
    const double ms = timer.nsecsElapsed() / 1e6;
    reporter.waitForFinished(10000);
    return ms;
}

// The program crashed by a signal once its crash reporting is set; until the reporter's record.
double crashToReporterMs(const QString& root, int run)
{
    const QString appDir = root + QStringLiteral("/app %1").arg(run);
    const QString workDir = root + QStringLiteral("/work %1").arg(run);
    const QString record = root + QStringLiteral("/crash-%1.record").arg(run);
    if (!crashfixture::makeAppDir(appDir, true) || !QDir().mkpath(workDir))
        return -1;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CRASHREPORTER_RECORD"), record);
    env.insert(QStringLiteral("VESK_INSTANCE_NAME"),
               QStringLiteral("vesk-bench-crash-%1-%2").arg(QCoreApplication::applicationPid()).arg(run));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(workDir);
    program.start(appDir + QStringLiteral("/vesk"), QStringList());
    const QByteArray ready = "BreakpadQt: setReporter: CrashReporter -> ";
    QByteArray output;
    QElapsedTimer wait;
    wait.start();
    while (!output.contains(ready) && wait.elapsed() < 60000 && program.state() != QProcess::NotRunning) {
        program.waitForReadyRead(100);
        output += program.readAllStandardError();
    }
    if (!output.contains(ready))
        return -1;
    // Let the program settle into its event loop with its window and page up.
    QThread::msleep(1500);

    QElapsedTimer timer;
    timer.start();
    ::kill(pid_t(program.processId()), SIGSEGV);
    const QStringList lines = crashfixture::waitForRecord(record, 10000);
    const double ms = timer.nsecsElapsed() / 1e6;
    program.waitForFinished(10000);
    return lines.value(2) == QLatin1String("dump present") ? ms : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("VESK_APP_DIR"))
        qputenv("VESK_APP_DIR", VESK_APP_DIR_DEFAULT);
    // Beside the built application directory, so the program can be hard-linked.
    QTemporaryDir root(qEnvironmentVariable("VESK_APP_DIR") + QStringLiteral("/../bench crash XXXXXX"));
    if (!root.isValid())
        return 1;

    std::vector<double> direct;
    std::vector<double> crash;
    for (int run = 0; run < kRuns; ++run) {
        direct.push_back(directStartMs(root.path(), run));
        crash.push_back(crashToReporterMs(root.path(), run));
        std::printf("run %d: reporter started directly %.1f ms, crash to dump and reporter %.1f ms\n", run,
                    direct.back(), crash.back());
    }
    if (*std::min_element(direct.begin(), direct.end()) < 0 || *std::min_element(crash.begin(), crash.end()) < 0) {
        std::printf("a run failed\n");
        return 1;
    }
    const double baseline = median(direct);
    const double measured = median(crash);
    std::printf("baseline (reporter started directly), median of %d: %.1f ms\n", kRuns, baseline);
    std::printf("crash to dump written and reporter started, median of %d: %.1f ms (%.1fx baseline, worst %.1f ms)\n",
                kRuns, measured, measured / baseline, *std::max_element(crash.begin(), crash.end()));
    const bool met = *std::max_element(crash.begin(), crash.end()) < kTargetMs;
    std::printf("target under %.0f ms: %s\n", kTargetMs, met ? "met" : "NOT met");
    return met ? 0 : 1;
}
