// The recorder's work per key event: scan-code lookup, the hook state machine and the four
// texts of each step, against a baseline that only makes four texts per event.
#include "desktop/macrohook.h"
#include "desktop/scancodes.h"

#include <QElapsedTimer>
#include <QString>
#include <QVariantList>

#include <cstdio>
#include <vector>

namespace {

constexpr int kEvents = 1000000;

struct Event {
    uint32_t evdev;
    bool press;
};

// A typing pattern: presses and releases of letters, shifted letters and arrow keys, with
// auto-repeat presses in between.
std::vector<Event> typing()
{
    const uint32_t keys[] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 106, 105, 103, 108, 96, 42};
    std::vector<Event> events;
    for (int i = 0; events.size() < size_t(kEvents); ++i) {
        const uint32_t key = keys[i % 16];
        events.push_back({key, true});
        if (i % 5 == 0)
            events.push_back({key, true}); // auto-repeat
        events.push_back({key, false});
    }
    events.resize(kEvents);
    return events;
}

QVariantList g_sent; // what a page event would carry, kept so the work is not optimised away
int g_count = 0;

void sendLikeThePage(const macrohook::Step& step)
{
    g_sent = {QString::fromStdString(step.kind), QString::fromStdString(step.value), QString::fromStdString(step.key),
              QString::fromStdString(step.extended)};
    ++g_count;
}

} // namespace

int main()
{
    const std::vector<Event> events = typing();
    int32_t now = 0;

    QElapsedTimer timer;
    timer.start();
    for (const Event& event : events) {
        ++now;
        g_sent = {QString::number(event.evdev), QString::number(now), QString::number(event.press ? 1 : 0),
                  QString::number(0)};
    }
    const double baselineNs = double(timer.nsecsElapsed()) / kEvents;

    macrohook::HookState state([&now]() { return now; }, sendLikeThePage);
    state.begin();
    timer.restart();
    for (const Event& event : events) {
        ++now;
        scancodes::ScanCode scan;
        if (scancodes::fromEvdev(event.evdev, &scan))
            state.handle(event.press ? macrohook::KeyAction::Press : macrohook::KeyAction::Release, scan.code,
                         scan.extended);
    }
    const double hookNs = double(timer.nsecsElapsed()) / kEvents;

    std::printf("%d synthetic key events, %d steps sent\n", kEvents, g_count);
    std::printf("%-40s %10s %8s\n", "", "ns/event", "x base");
    std::printf("%-40s %10.1f %8.2f\n", "baseline: four texts per event", baselineNs, 1.0);
    std::printf("%-40s %10.1f %8.2f   target <= 20000 ns: %s\n", "scan code + hook state + step texts", hookNs,
                hookNs / baselineNs, hookNs <= 20000 ? "met" : "MISSED");
    return 0;
}
