// Baseline of start-up and memory: a plain Qt WebEngine window of the given size loading
// one page, nothing else.
#include <QApplication>
#include <QStringList>
#include <QUrl>
#include <QWebEngineView>

int main(int argc, char** argv)
{
    // The same engine settings as the program: no sandbox, shared GL contexts.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    // Optional "WIDTHxHEIGHT".
    const QStringList size = argc > 2 ? QString::fromLocal8Bit(argv[2]).split(QLatin1Char('x')) : QStringList();

    QWebEngineView view;
    view.resize(size.value(0, QStringLiteral("800")).toInt(), size.value(1, QStringLiteral("600")).toInt());
    view.load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    view.show();
    return app.exec();
}
