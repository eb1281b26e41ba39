// Baseline of the request round trip and of events: one view, one channel object whose slot
// returns its argument and whose signal carries device data, the channel built in the page's
// main world the way Qt documents it. The page finds the object as window.echo once the
// channel is up. An event pump (eventpump.h) emits the signal, marshalled to the main thread
// the way any Qt program hands work from a thread to its objects.
#include "eventpump.h"

#include <QApplication>
#include <QFile>
#include <QMetaObject>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

class Echo : public QObject {
    Q_OBJECT
public slots:
    QString echo(const QString& text) { return text; }
signals:
    void deviceData(const QString& hex);
};

int main(int argc, char** argv)
{
    // The same engine settings as the program: no sandbox, shared GL contexts.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;

    QFile library(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!library.open(QIODevice::ReadOnly))
        return 3;
    QWebEngineScript script;
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setSourceCode(QString::fromUtf8(library.readAll()) +
                         QStringLiteral("\nnew QWebChannel(qt.webChannelTransport, function (channel) {"
                                        " window.echo = channel.objects.echo; });"));

    QWebEngineView view;
    view.page()->scripts().insert(script);
    QWebChannel channel;
    Echo echo;
    channel.registerObject(QStringLiteral("echo"), &echo);
    view.page()->setWebChannel(&channel, QWebEngineScript::MainWorld);
    view.resize(800, 600);
    view.load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    view.show();

    EventPump pump(
        EventPump::fromEnvironment(),
        [&echo](const QString& hex) {
            QMetaObject::invokeMethod(
                &echo, [&echo, hex] { emit echo.deviceData(hex); }, Qt::QueuedConnection);
        },
        [&app] { QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection); });
    return app.exec();
}

#include "bare_echo.moc"
