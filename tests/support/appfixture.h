#pragma once

#include "app/cefapplication.h"
#include "browser/clienthandler.h"
#include "browser/engine.h"
#include "support/replyrecorder.h"

#include <QtTest>

#include <memory>

// Runs a Qt Test object inside the program's own application object and client handler, so
// a real main window can be built.
template <typename TestObject> int runWithApplication(int argc, char** argv)
{
    engine::initialize(argc, argv);
    auto handler = std::make_unique<ClientHandler>(argc, argv);
    setClientHandler(handler.get());
    int result = 0;
    {
        cefApplication app(argc, argv);
        TestObject test;
        result = QTest::qExec(&test, argc, argv);
    }
    setClientHandler(nullptr);
    return result;
}
