#pragma once

#include <QFile>
#include <QStringList>

// The lines one unit wrote to web.log since the watch was made.
class LogWatch {
public:
    LogWatch() : m_offset(QFile(QStringLiteral("web.log")).size()) {}

    QStringList lines(const QString& unit) const
    {
        QFile log(QStringLiteral("web.log"));
        if (!log.open(QIODevice::ReadOnly) || !log.seek(m_offset))
            return {};
        QStringList found;
        const QString tag = QStringLiteral(":INFO:%1] ").arg(unit);
        for (const QString& line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'))) {
            const int at = line.indexOf(tag);
            if (at >= 0)
                found << line.mid(at + tag.size());
        }
        return found;
    }

private:
    qint64 m_offset;
};
