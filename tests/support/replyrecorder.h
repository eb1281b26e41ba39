#pragma once

#include "browser/querycallback.h"

#include <QString>

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
