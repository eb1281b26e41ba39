// The program's own start-up, exactly as its main() runs it, with an event pump beside it.
// Environment: BENCH_EVENTS_PER_SECOND, BENCH_EVENTS_SECONDS, BENCH_EVENTS_TIMES (the file
// that receives the send times).
#include "eventpump.h"

#include "app/cefapplication.h"
#include "browser/clienthandler.h"
#include "browser/engine.h"

#include <QByteArray>

#include <memory>

namespace {
int envNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariable(name).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}
} // namespace

int main(int argc, char** argv)
{
    engine::initialize(argc, argv);

    auto handler = std::make_unique<ClientHandler>(argc, argv);
    setClientHandler(handler.get());

    int exitCode = 0;
    {
        cefApplication app(argc, argv);
        app.start();
        EventPump pump(envNumber("BENCH_EVENTS_PER_SECOND", 2000), envNumber("BENCH_EVENTS_SECONDS", 10),
                       qEnvironmentVariable("BENCH_EVENTS_TIMES", QStringLiteral("event-times.txt")).toStdString());
        exitCode = cefApplication::exec();
    }

    engine::shutdown();
    return exitCode;
}
