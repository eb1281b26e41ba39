#include "browser/engine.h"

#include "app/applog.h"

#include <QCoreApplication>
#include <QString>

namespace engine {

void initialize(int argc, char** argv)
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    applog::Severity severity = applog::Info;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--log-severity=")))
            severity = applog::severityFromName(arg.mid(15));
    }
    applog::initialize(severity);
}

void shutdown() {}

} // namespace engine
