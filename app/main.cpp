#include "app/cefapplication.h"
#include "browser/clienthandler.h"
#include "browser/engine.h"
#include "update/updaterhandoff.h"

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
        exitCode = cefApplication::exec();
    }

    engine::shutdown();
    if (updaterPending)
        launchUpdater();
    return exitCode;
}
