// The program's own start-up, exactly as its main() runs it, with an event pump beside it
// that sends "onDeviceData" through the client handler (settings: eventpump.h).
#include "eventpump.h"

#include "app/cefapplication.h"
#include "browser/clienthandler.h"
#include "browser/engine.h"

#include <QMetaObject>

#include <memory>

int main(int argc, char** argv)
{
    engine::initialize(argc, argv);

    auto handler = std::make_unique<ClientHandler>(argc, argv);
    setClientHandler(handler.get());

    int exitCode = 0;
    {
        cefApplication app(argc, argv);
        app.start();
        EventPump pump(
            EventPump::fromEnvironment(), [](const QString& hex) { clientHandler()->onDeviceData(hex); },
            [&app] {
                QMetaObject::invokeMethod(
                    &app, [] { cefApplication::requestQuit(); }, Qt::QueuedConnection);
            });
        exitCode = cefApplication::exec();
    }

    engine::shutdown();
    return exitCode;
}
