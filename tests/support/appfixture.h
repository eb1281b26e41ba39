#pragma once

#include "app/cefapplication.h"
#include "browser/clienthandler.h"
#include "browser/engine.h"

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

// Records the answers a query gets.
struct ReplyRecorder {
    int answers = 0;
    bool success = false;
    int code = -1;
    QString text;

    QueryCallbackPtr callback()
    {
        return std::make_shared<QueryCallback>([this](bool ok, int c, const QString& t) {
            ++answers;
            success = ok;
            code = c;
            text = t;
        });
    }
};
