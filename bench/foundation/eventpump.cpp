#include "eventpump.h"

#include "app/cefapplication.h"
#include "browser/clienthandler.h"

#include <QMetaObject>
#include <QString>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

EventPump::EventPump(int perSecond, int seconds, std::string timesPath)
    : m_perSecond(perSecond), m_seconds(seconds), m_timesPath(std::move(timesPath)), m_thread([this] { run(); })
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
    QMetaObject::invokeMethod(
        qApp, [] { cefApplication::requestQuit(); }, Qt::QueuedConnection);
}

void EventPump::pump()
{
    using namespace std::chrono;
    const long count = static_cast<long>(m_perSecond) * m_seconds;
    const auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / m_perSecond));
    std::vector<long long> sent;
    sent.reserve(count);
    char hex[17];
    const auto start = steady_clock::now();
    for (long seq = 0; seq < count; ++seq) {
        std::this_thread::sleep_until(start + seq * period);
        std::snprintf(hex, sizeof hex, "%016lx", static_cast<unsigned long>(seq));
        const QString data = QString::fromLatin1(hex);
        sent.push_back(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
        clientHandler()->onDeviceData(data);
    }
    std::ofstream out(m_timesPath, std::ios::trunc);
    for (long long t : sent)
        out << t << '\n';
    out.close();
    std::cout << (out ? "done" : "failed") << std::endl;
}
