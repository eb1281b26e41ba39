// Update system figures, each against a baseline measured in the same run:
//  - unpacking a package with a 64 MiB payload (SHA-1, LZMA, files written) against sha1sum
//    plus xz decoding the same raw stream; peak memory against package + payload + 64 MiB;
//  - downloading a package from nginx on loopback against curl fetching the same file.

#include "nginxserver.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/packageunpacker.h"
#include "update/psupdatedownloader.h"
#include "update/updatepackage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int Runs = 3;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double seconds(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e9;
}

bool run(const QString& command)
{
    return QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}) == 0;
}

// Half text-like, half incompressible, as program and page files are.
void writeContent(const QString& folder, qint64 total)
{
    QRandomGenerator random(64);
    const QStringList words = {"vesk", "mouse", "profile", "<div class=\"dpi\">", "16000", "macro", "button", "\n"};
    const int files = 64;
    for (int i = 0; i < files; ++i) {
        QDir().mkpath(folder + QStringLiteral("/view/part%1").arg(i % 8));
        QFile file(folder + QStringLiteral("/view/part%1/file%2.bin").arg(i % 8).arg(i));
        file.open(QIODevice::WriteOnly);
        QByteArray data;
        data.reserve(int(total / files));
        while (data.size() < total / files) {
            if (i % 2 == 0)
                data += words.at(random.bounded(words.size())).toUtf8() + ' ';
            else
                data += char(random.generate());
        }
        data.truncate(int(total / files));
        file.write(data);
    }
}

// Child process: one unpack, printing "seconds peak-growth-KiB".
int unpackOnce(const QString& package, const QString& work)
{
    cefApplication::workDir = work + QLatin1Char('/');
    const QString download = work + QStringLiteral("/tupdates/html/bench.pkg");
    QDir().mkpath(work + QStringLiteral("/tupdates/html"));
    QFile::remove(download);
    if (!QFile::copy(package, download))
        return 1;
    const long before = peakKiB();
    QElapsedTimer timer;
    timer.start();
    QString version;
    const bool ok = unpackPackage(download, QStringLiteral("html"), &version);
    const double elapsed = seconds(timer);
    std::printf("%.4f %ld\n", elapsed, peakKiB() - before);
    return ok ? 0 : 1;
}

void benchUnpack(const QString& self, const QString& dir)
{
    const qint64 payloadTarget = 64ll << 20;
    writeContent(dir + QStringLiteral("/pkg"), payloadTarget);
    const QString package = dir + QStringLiteral("/bench.pkg");
    // The end marker lets xz decode the very same stream; the unpacker reads both kinds.
    if (!run(QStringLiteral("'%1' build --end-marker '%2/pkg' 1.0 '%3' >/dev/null").arg(VESK_PACK, dir, package))) {
        std::printf("unpack: vesk-pack failed\n");
        return;
    }
    QFile file(package);
    file.open(QIODevice::ReadOnly);
    const QByteArray header = file.read(updatepackage::StreamOffset);
    const qint64 packageSize = file.size();
    const qint64 payloadSize = qFromLittleEndian<qint32>(header.constData() + updatepackage::PayloadSizeOffset);
    const int props = static_cast<unsigned char>(header.at(updatepackage::PropertiesOffset));
    const quint32 dict = qFromLittleEndian<quint32>(header.constData() + updatepackage::PropertiesOffset + 1);
    const QString stream = dir + QStringLiteral("/bench.lzma");
    run(QStringLiteral("tail -c +%1 '%2' > '%3'").arg(updatepackage::StreamOffset + 1).arg(package, stream));
    const QString xz = QStringLiteral("xz --format=raw --lzma1=lc=%1,lp=%2,pb=%3,dict=%4 -dc '%5' > '%6/xz.out'")
                           .arg(props % 9)
                           .arg((props / 9) % 5)
                           .arg(props / 45)
                           .arg(dict)
                           .arg(stream, dir);

    double best = 1e9;
    double baseline = 1e9;
    long peak = 0;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(QStringLiteral("sha1sum '%1' >/dev/null").arg(package));
        run(xz);
        baseline = qMin(baseline, seconds(timer));

        QProcess child;
        child.start(self, {QStringLiteral("--unpack"), package, dir + QStringLiteral("/work")});
        child.waitForFinished(-1);
        const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char(' '));
        if (child.exitCode() != 0 || figures.size() != 2) {
            std::printf("unpack: failed\n");
            return;
        }
        best = qMin(best, figures.at(0).toDouble());
        peak = qMax(peak, figures.at(1).trimmed().toLong());
    }
    const double limitMiB = (packageSize + payloadSize) / 1048576.0 + 64;
    std::printf(
        "unpack %lld MiB payload (%lld MiB package): %.3f s, sha1sum + xz %.3f s, ratio %.2f (target <= 1.30)\n",
        payloadSize >> 20, packageSize >> 20, best, baseline, best / baseline);
    std::printf("unpack peak memory growth: %.1f MiB, limit package + payload + 64 MiB = %.1f MiB\n", peak / 1024.0,
                limitMiB);
}

double downloadOnce(const QString& url, const QString& work)
{
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    cefApplication::workDir = work + QLatin1Char('/');
    QThread thread;
    auto* downloader = new PsUpdateDownloader(&thread, url, QStringLiteral("html"));
    QElapsedTimer timer;
    double elapsed = -1;
    QObject::connect(
        downloader, &PsUpdateDownloader::downLoadFinished, qApp, [&] { elapsed = seconds(timer); },
        Qt::QueuedConnection);
    timer.start();
    thread.start();
    while (elapsed < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    downloader->deleteLater();
    thread.quit();
    thread.wait();
    return elapsed;
}

// Qt's own HTTP stack writing to a file, for what the transport alone costs.
double bareQtOnce(const QString& url, const QString& path)
{
    QNetworkAccessManager manager;
    QFile out(path);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QElapsedTimer timer;
    timer.start();
    QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(url)));
    QObject::connect(reply, &QNetworkReply::readyRead, [&] { out.write(reply->readAll()); });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    out.write(reply->readAll());
    const double elapsed = seconds(timer);
    delete reply;
    QFile::remove(path);
    return elapsed;
}

void benchDownload(const QString& dir)
{
    const int size = 256 << 20;
    {
        QFile file(dir + QStringLiteral("/served/big.pkg"));
        QDir().mkpath(dir + QStringLiteral("/served"));
        file.open(QIODevice::WriteOnly);
        QRandomGenerator random(7);
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < size / block.size(); ++i) {
            for (char& c : block)
                c = char(random.generate());
            file.write(block);
        }
    }
    NginxServer nginx(dir + QStringLiteral("/served"));
    if (!nginx.start()) {
        std::printf("download: nginx did not start\n");
        return;
    }
    const QString url = nginx.url(QStringLiteral("/big.pkg"));
    double ours = 1e9;
    double curl = 1e9;
    double bare = 1e9;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(QStringLiteral("curl -s -o '%1/curl.out' '%2'").arg(dir, url));
        curl = qMin(curl, seconds(timer));
        QFile::remove(dir + QStringLiteral("/curl.out"));
        ours = qMin(ours, downloadOnce(url, dir + QStringLiteral("/download")));
        bare = qMin(bare, bareQtOnce(url, dir + QStringLiteral("/bare.out")));
    }
    const double mib = size / 1048576.0;
    std::printf("download %.0f MiB from nginx: %.0f MiB/s, curl %.0f MiB/s, ratio %.2f (target >= 0.80); "
                "bare Qt GET to a file %.0f MiB/s\n",
                mib, mib / ours, mib / curl, curl / ours, mib / bare);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    applog::initialize(applog::Disable);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--unpack"))
        return unpackOnce(args.at(2), args.at(3));
    QTemporaryDir dir;
    // "--download" measures the download alone, for profiling it.
    if (!args.contains(QLatin1String("--download")))
        benchUnpack(app.applicationFilePath(), dir.path());
    benchDownload(dir.path());
    return 0;
}
