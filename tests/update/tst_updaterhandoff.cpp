#include "logwatch.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/updaterhandoff.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void put(const QString& path, const QByteArray& content, QFile::Permissions permissions = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    if (permissions)
        file.setPermissions(permissions);
}

bool executable(const QString& path)
{
    return QFileInfo(path).isFile() && access(QFile::encodeName(path).constData(), X_OK) == 0;
}

QString readWhenThere(const QString& path)
{
    QFile file(path);
    for (int i = 0; i < 250 && !(file.exists() && file.size() > 0); ++i)
        QTest::qWait(20);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

constexpr uid_t kNobody = 65534;

// The application directory refuses new files while "tupdates" under it stays ours, as for
// a program installed by an administrator. Root passes every permission check, so as root
// the copy runs as an unprivileged user who owns only "tupdates".
class ReadOnlyAppDir {
public:
    explicit ReadOnlyAppDir(const QString& appDir) : m_appDir(appDir)
    {
        if (geteuid() == 0) {
            chmod(QFile::encodeName(appDir).constData(), 0755);
            chownTree(appDir + "tupdates");
        } else {
            chmod(QFile::encodeName(appDir).constData(), 0555);
        }
    }
    template <typename Call> auto run(Call call)
    {
        const bool root = geteuid() == 0;
        if (root && seteuid(kNobody) != 0)
            qFatal("cannot take an unprivileged user");
        auto result = call();
        if (root && seteuid(0) != 0)
            qFatal("cannot become root again");
        return result;
    }
    ~ReadOnlyAppDir() { chmod(QFile::encodeName(m_appDir).constData(), 0700); }

private:
    static void chownTree(const QString& path)
    {
        if (chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
            return;
        for (const QFileInfo& entry : QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            chownTree(entry.filePath());
    }
    QString m_appDir;
};

} // namespace

class tst_updaterhandoff : public QObject {
    Q_OBJECT

    QTemporaryDir logDir;
    QScopedPointer<QTemporaryDir> work;
    QByteArray originalPath = qgetenv("PATH");

    QString at(const QString& relative) const { return cefApplication::workDir + relative; }
    QString ready(const QString& relative = QString()) const
    {
        return at("tupdates/client/ready") + (relative.isEmpty() ? QString() : "/" + relative);
    }
    // An updater that writes down where it ran and with what.
    QByteArray updaterScript() const
    {
        return "#!/bin/sh\necho \"$(pwd)/ $*\" > '" + QFile::encodeName(at("ran.txt")) + "'\n";
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(logDir.path());
        applog::initialize(applog::Info);
    }

    void init()
    {
        work.reset(new QTemporaryDir);
        cefApplication::workDir = work->path() + "/";
        cefApplication::exeDir = cefApplication::workDir;
        updaterNeedsElevation = false;
        qputenv("PATH", originalPath);
    }

    void withoutReadyFolderNothingIsPlaced()
    {
        QVERIFY(!placeUpdater());
        QVERIFY(!updaterNeedsElevation);
    }

    void aPackageWithoutUpdaterStillCounts()
    {
        put(ready("vesk"), "program");
        QVERIFY(placeUpdater());
        QVERIFY(!QFileInfo::exists(at("Updater.exe")));
    }

    void placesTheUpdaterNextToTheProgram()
    {
        put(at("Updater.exe"), "an old one");
        put(ready("Updater.exe"), updaterScript());
        put(ready("vesk"), "program");
        QVERIFY(placeUpdater());
        QVERIFY(!updaterNeedsElevation);
        QVERIFY(executable(at("Updater.exe")));
        QCOMPARE(QFile(at("Updater.exe")).size(), qint64(updaterScript().size()));
        QVERIFY(!QFileInfo::exists(ready("Updater.exe")));
        QVERIFY(QFileInfo::exists(ready("vesk")));
        QCOMPARE(QDir(cefApplication::workDir).entryList({"Updater.exe.*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void aProgramFolderWithoutRightsLeavesItForElevation()
    {
        put(ready("Updater.exe"), updaterScript());
        ReadOnlyAppDir readOnly(cefApplication::workDir);
        QVERIFY(readOnly.run([] { return placeUpdater(); }));
        QVERIFY(updaterNeedsElevation);
        QVERIFY(!QFileInfo::exists(at("Updater.exe")));
        QVERIFY(executable(ready("Updater.exe")));
    }

    void anyOtherCopyFailureDiscardsTheProgramUpdate()
    {
        put(ready("Updater.exe"), updaterScript());
        QDir().mkpath(at("Updater.exe/in-the-way"));
        QVERIFY(!placeUpdater());
        QVERIFY(!updaterNeedsElevation);
        QVERIFY(!QFileInfo::exists(at("tupdates/client")));
    }

    void startsThePlacedUpdater()
    {
        put(ready("Updater.exe"), updaterScript());
        QVERIFY(placeUpdater());
        LogWatch log;
        launchUpdater();
        QCOMPARE(readWhenThere(at("ran.txt")), cefApplication::workDir + " -update");
        QCOMPARE(log.lines("pspecific_wnd"),
                 QStringList{"Application Info: executing " + cefApplication::exeDir + "Updater.exe -update"});
    }

    void elevatedStartGoesThroughPkexec_data()
    {
        QTest::addColumn<bool>("pkexecThere");
        QTest::newRow("pkexec") << true;
        QTest::newRow("no pkexec: a plain start") << false;
    }
    void elevatedStartGoesThroughPkexec()
    {
        QFETCH(bool, pkexecThere);
        put(ready("Updater.exe"), updaterScript(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        updaterNeedsElevation = true;
        QTemporaryDir tools;
        if (pkexecThere) {
            // Records how it was asked, then does what pkexec does after the password: run it
            // from the home folder.
            put(tools.filePath("pkexec"),
                "#!/bin/sh\necho \"$*\" > '" + QFile::encodeName(at("pkexec.txt")) + "'\ncd /\nexec \"$@\"\n",
                QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(tools.path()) + ":/usr/bin:/bin");
        LogWatch log;
        launchUpdater();
        QCOMPARE(readWhenThere(at("ran.txt")), cefApplication::workDir + " -update");
        if (pkexecThere)
            QCOMPARE(readWhenThere(at("pkexec.txt")),
                     "/usr/bin/env --chdir=" + cefApplication::workDir + " " + ready("Updater.exe") + " -update");
        // The log names the updater's place next to the program whichever file starts.
        QCOMPARE(log.lines("pspecific_wnd"),
                 QStringList{"Application Info: executing " + cefApplication::exeDir + "Updater.exe -update"});
    }

    void aFailedStartDeletesTheReadyFolder()
    {
        put(ready("vesk"), "program");
        LogWatch log;
        launchUpdater();
        QCOMPARE(log.lines("pspecific_wnd"),
                 (QStringList{"Application Info: executing " + cefApplication::exeDir + "Updater.exe -update",
                              "Application Error: failed to execute " + cefApplication::exeDir +
                                  "Updater.exe, working directory: '" + cefApplication::workDir + "', result: 2"}));
        QVERIFY(!QFileInfo::exists(ready()));
    }
};

QTEST_MAIN(tst_updaterhandoff)
#include "tst_updaterhandoff.moc"
