#include "bridge/configcommands.h"
#include "bridge/vesk.h"
#include "browser/windowcontrolhandler.h"
#include "support/appfixture.h"

#include <QScreen>

class DispatchTest : public QObject {
    Q_OBJECT
private slots:
    void commandTableOrder();
    void ignoredRequests_data();
    void ignoredRequests();
    void getConfWithoutSettings();
    void settingsJson();
    void maximiseAndRestore();
    void clientSize_data();
    void clientSize();
    void moveNumbers_data();
    void moveNumbers();
    void callbackAnswersOnce();
    void closeOnlyHides();
};

void DispatchTest::commandTableOrder()
{
    vesk window;
    const QStringList expected = {"getDevicesList",
                                  "readDevicesProp",
                                  "writeDevicesProp",
                                  "readByAddr",
                                  "writeByAddr",
                                  "notifyDevice",
                                  "isPropEmpty",
                                  "cleanMacroByAddr",
                                  "writeMacroByAddr",
                                  "loadurl",
                                  "queryProfile",
                                  "nodeCounterProfile",
                                  "modifyProfile",
                                  "modifyProfileEx",
                                  "modifyRemoveProfile",
                                  "modifyAddProfile",
                                  "modifyReplaceProfile",
                                  "modifyReplaceProfileEx",
                                  "loadApp",
                                  "resetProfile",
                                  "queryHexByte",
                                  "goback",
                                  "goforward",
                                  "getConf",
                                  "setConf",
                                  "checkUpdate",
                                  "savexml",
                                  "saveXmlAs",
                                  "modifyMouseSpeed",
                                  "modifyMouseScrollLines",
                                  "modifyMouseDoubleClick",
                                  "closeApp",
                                  "startRecord",
                                  "stopRecord",
                                  "saveFileDialog",
                                  "openFileDialog",
                                  "openUrl",
                                  "openFileDialogExe",
                                  "confChanged",
                                  "showDevTools"};
    QCOMPARE(window.commandNames(), expected);
}

void DispatchTest::ignoredRequests_data()
{
    QTest::addColumn<QString>("request");
    QTest::newRow("not json") << "getConf";
    QTest::newRow("array") << "[{\"funcname\":\"getConf\"}]";
    QTest::newRow("string") << "\"getConf\"";
    QTest::newRow("no funcname") << "{\"func\":\"getConf\"}";
    QTest::newRow("other case") << "{\"funcname\":\"GetConf\"}";
    QTest::newRow("number name") << "{\"funcname\":5}";
    QTest::newRow("unknown") << "{\"funcname\":\"formatDisk\"}";
    QTest::newRow("spaced maximise") << "{ \"funcname\": \"maxsizeWindow\" }";
    QTest::newRow("truncated") << "{\"funcname\":\"getConf\"";
    QTest::newRow("empty") << "";
}

void DispatchTest::ignoredRequests()
{
    QFETCH(QString, request);
    vesk window;
    const QRect before = window.geometry();
    ReplyRecorder reply;
    window.onJsMessage(request, reply.callback());
    QCOMPARE(reply.answers, 0);
    QCOMPARE(window.geometry(), before);
}

void DispatchTest::getConfWithoutSettings()
{
    vesk window;
    ReplyRecorder reply;
    window.onJsMessage(QStringLiteral("{\"funcname\":\"getConf\"}"), reply.callback());
    QCOMPARE(reply.answers, 1);
    QVERIFY(!reply.success);
    QCOMPARE(reply.code, 0);
    QCOMPARE(reply.text, QStringLiteral("cant find conf.xml"));
}

void DispatchTest::settingsJson()
{
    const QMap<QString, QString> settings = {
        {"showConf", "Ctrl+Alt+M"}, {"clientSize", "800,600"}, {"testTool", "Ctrl+T"}, {"language", "\xe4\xb8\xad"}};
    QCOMPARE(ConfigCommands::settingsJson(settings, true, false),
             QString::fromUtf8("[{\"clientSize\":\"800,600\",\"language\":\"\xe4\xb8\xad\","
                               "\"showConf\":\"Ctrl+Alt+M,\\u0001\",\"testTool\":\"Ctrl+T,\\u0000\"}]"));
}

void DispatchTest::maximiseAndRestore()
{
    vesk window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect normal = window.geometry();
    window.onJsMessage(QStringLiteral("{\"funcname\":\"maxsizeWindow\"}"), nullptr);
    QTRY_COMPARE(window.geometry().size(), QGuiApplication::primaryScreen()->availableGeometry().size());
    QCOMPARE(window.savedGeometry, normal);
    window.onJsMessage(QStringLiteral("{\"funcname\":\"restoreWindow\"}"), nullptr);
    QTRY_COMPARE(window.geometry().size(), normal.size());
}

void DispatchTest::clientSize_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QSize>("size");
    QTest::newRow("pair") << "1024,768" << QSize(1024, 768);
    QTest::newRow("not a number") << "abc,768" << QSize(0, 768);
    QTest::newRow("one part keeps height") << "1024" << QSize(1024, 600);
    QTest::newRow("empty") << "" << QSize(0, 600);
    QTest::newRow("negative") << "-5,-5" << QSize(0, 0);
    QTest::newRow("extra parts") << "640,480,1" << QSize(640, 480);
}

void DispatchTest::clientSize()
{
    QFETCH(QString, value);
    QFETCH(QSize, size);
    QCOMPARE(vesk::sizeFromSetting(value, QSize(800, 600)), size);
}

void DispatchTest::moveNumbers_data()
{
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("four") << "10,-5,800,600" << QList<int>{10, -5, 800, 600};
    QTest::newRow("spaces") << " 1, 2 ,3,4" << QList<int>{1, 2};
    QTest::newRow("three") << "1,2,3" << QList<int>{1, 2, 3};
    QTest::newRow("five stops after five") << "1,2,3,4,5,6" << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("junk") << "x,1,2,3" << QList<int>{};
    QTest::newRow("plus sign") << "+1,+2,3,4" << QList<int>{1, 2, 3, 4};
    QTest::newRow("overflow stops") << "99999999999999999999,1,2,3" << QList<int>{};
}

void DispatchTest::moveNumbers()
{
    QFETCH(QString, rest);
    QFETCH(QList<int>, numbers);
    const std::vector<long> read = window_test::parseMoveNumbers(rest.toStdString());
    QList<int> got;
    for (long n : read)
        got << static_cast<int>(n);
    QCOMPARE(got, numbers);
}

void DispatchTest::callbackAnswersOnce()
{
    ReplyRecorder reply;
    QueryCallbackPtr cb = reply.callback();
    cb->Success(QStringLiteral("first"));
    cb->Failure(0, QStringLiteral("second"));
    cb->Success(QStringLiteral("third"));
    QCOMPARE(reply.answers, 1);
    QCOMPARE(reply.text, QStringLiteral("first"));

    ReplyRecorder cancelled;
    QueryCallbackPtr c2 = cancelled.callback();
    c2->Cancel();
    c2->Success(QStringLiteral("late"));
    QCOMPARE(cancelled.answers, 0);
}

void DispatchTest::closeOnlyHides()
{
    vesk window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.close());
    QVERIFY(!window.isVisible());
    QVERIFY(!cefApplication::quitting());
}

int main(int argc, char** argv)
{
    return runWithApplication<DispatchTest>(argc, argv);
}
#include "tst_dispatch.moc"
