#include "eventpump.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

namespace {
int envNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariable(name).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}
} // namespace

EventPump::Settings EventPump::fromEnvironment()
{
    Settings s;
    s.perSecond = envNumber("BENCH_EVENTS_PER_SECOND", s.perSecond);
    s.seconds = envNumber("BENCH_EVENTS_SECONDS", s.seconds);
    s.timesPath = qEnvironmentVariable("BENCH_EVENTS_TIMES", QString::fromStdString(s.timesPath)).toStdString();
    return s;
}

EventPump::EventPump(Settings settings, std::function<void(const QString&)> send, std::function<void()> quit)
    : m_settings(std::move(settings)), m_send(std::move(send)), m_quit(std::move(quit)), m_thread([this] { run(); })
{
}

EventPump::~EventPump()
{
    m_thread.join();
}

void EventPump::run()
{
    std::string command;
    while (std::getline(std::cin, command)) {
        if (command == "go")
            pump();
        else if (command == "quit")
            break;
    }
    m_quit();
}

void EventPump::pump()
{
    using namespace std::chrono;
    const long count = static_cast<long>(m_settings.perSecond) * m_settings.seconds;
    const auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / m_settings.perSecond));
    std::vector<long long> sent;
    sent.reserve(count);
    char hex[17];
    const auto start = steady_clock::now();
    for (long seq = 0; seq < count; ++seq) {
        std::this_thread::sleep_until(start + seq * period);
        std::snprintf(hex, sizeof hex, "%016lx", static_cast<unsigned long>(seq));
        const QString data = QString::fromLatin1(hex);
        sent.push_back(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
        m_send(data);
    }
    std::ofstream out(m_settings.timesPath, std::ios::trunc);
    for (long long t : sent)
        out << t << '\n';
    out.close();
    std::cout << (out ? "done" : "failed") << std::endl;
}
