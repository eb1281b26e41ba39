#include "browser/windowcontrolhandler.h"

#include "app/cefapplication.h"
#include "bridge/vesk.h"
#include "browser/clienthandler.h"
#include "browser/messageevent.h"
#include "browser/windowplacement.h"

#include <climits>
#include <sstream>

namespace window_test {

std::vector<long> parseMoveNumbers(const std::string& rest)
{
    std::vector<long> numbers;
    std::istringstream in(rest);
    long value = 0;
    while (numbers.size() <= 4 && (in >> value)) {
        numbers.push_back(value);
        if (in.peek() == ',')
            in.get();
    }
    return numbers;
}

namespace {
int clampToInt(long v)
{
    return static_cast<int>(std::max<long>(INT_MIN, std::min<long>(INT_MAX, v)));
}
} // namespace

bool Handler::OnQuery(QWebEnginePage*, const QString& request, const QueryCallbackPtr& callback)
{
    ClientHandler* handler = clientHandler();
    const std::string text = request.toStdString();
    if (text.rfind("moveWindow", 0) == 0) {
        const std::vector<long> n = parseMoveNumbers(text.size() > 11 ? text.substr(11) : std::string());
        if (n.size() == 4 && handler) {
            windowplacement::moveWindowBy(handler->GetMainWindowHandle(), clampToInt(n[0]), clampToInt(n[1]),
                                          clampToInt(n[2]), clampToInt(n[3]));
            callback->Success(QString());
        }
        return true;
    }
    if (text == "{\"funcname\":\"minisizeWindow\"}") {
        // We are on the main thread here, so the flush cannot race the document table.
        if (cefApplication* app = cefApplication::instance()) {
            if (vesk* window = app->mainWindow())
                window->flushDocuments();
        }
        if (handler)
            windowplacement::toggleMinimized(handler->GetMainWindowHandle());
        callback->Success(QString());
        return true;
    }
    if (handler) {
        if (ClientHandler::Listener* listener = handler->listener.load())
            listener->OnMessageEvent(new MessageEvent(request, callback));
    }
    return true;
}

} // namespace window_test
