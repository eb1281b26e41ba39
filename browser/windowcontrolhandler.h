#pragma once

#include "browser/querycallback.h"

#include <QString>

#include <vector>

class QWebEnginePage;

namespace window_test {

// Reads the numbers of a "moveWindow" request: integers one after another, each optionally
// followed by ",", stopping at the first failed read.
std::vector<long> parseMoveNumbers(const std::string& rest);

// Answers the window requests that must act at once ("moveWindow", the minimise text) and
// hands every other request to the client handler's current listener.
class Handler {
public:
    virtual ~Handler() = default;
    bool OnQuery(QWebEnginePage* browser, const QString& request, const QueryCallbackPtr& callback);
    void OnQueryCanceled() {}
};

} // namespace window_test
