#include "desktop/macrorecorder.h"

#include "browser/clienthandler.h"
#include "desktop/keyboardhook.h"
#include "desktop/macrohook.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTime>

#include <memory>

namespace {

int32_t timeOfDayMs()
{
    return QTime::currentTime().msecsSinceStartOfDay(); // 0 for an invalid reading
}

void sendStep(const macrohook::Step& step)
{
    if (ClientHandler* handler = clientHandler())
        handler->macroItem(QString::fromStdString(step.kind), QString::fromStdString(step.value),
                           QString::fromStdString(step.key), QString::fromStdString(step.extended));
}

// One recorder per process, used on the GUI thread only. Its key table lives as long as the
// process; the hook only while a recording runs.
struct Recorder {
    macrohook::HookState state{timeOfDayMs, sendStep};
    std::unique_ptr<keyboardhook::Hook> hook;
    std::unique_ptr<QSocketNotifier> notifier;
};

Recorder& recorder()
{
    static Recorder* instance = new Recorder; // outlives the application object on purpose
    return *instance;
}

void removeHook()
{
    Recorder& r = recorder();
    r.notifier.reset();
    r.hook.reset();
}

} // namespace

bool startMacroRecord()
{
    Recorder& r = recorder();
    removeHook();
    std::unique_ptr<keyboardhook::Hook> hook = keyboardhook::install([&r](const keyboardhook::KeyEvent& event) {
        r.state.handle(event.press ? macrohook::KeyAction::Press : macrohook::KeyAction::Release, event.scanCode,
                       event.extended);
    });
    if (!hook)
        return false;
    r.hook = std::move(hook);
    r.notifier = std::make_unique<QSocketNotifier>(r.hook->descriptor(), QSocketNotifier::Read);
    QObject::connect(r.notifier.get(), &QSocketNotifier::activated, [&r]() {
        if (r.hook)
            r.hook->dispatch();
    });
    static const bool cleanupArmed = (qAddPostRoutine(removeHook), true);
    Q_UNUSED(cleanupArmed);
    r.state.begin();
    return true;
}

void stopMacroRecord()
{
    removeHook();
}
