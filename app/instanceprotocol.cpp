#include "app/instanceprotocol.h"

#include <QRegularExpression>

namespace instanceprotocol {

void takeCommands(QByteArray& buffer, const std::function<void(const QString&)>& onCommand)
{
    if (buffer.isEmpty())
        return;
    const QString text = QString::fromLocal8Bit(buffer);
    int pos = 0;
    for (int semi = text.indexOf(QLatin1Char(';'), pos); semi >= 0; semi = text.indexOf(QLatin1Char(';'), pos)) {
        const QString command = text.mid(pos, semi - pos);
        if (command.startsWith(QLatin1String("CMD:")))
            onCommand(command.mid(4));
        pos = semi + 1;
    }
    buffer.remove(0, text.left(pos).toLocal8Bit().size());
}

quint64 replyProcessId(const QString& buffer, bool* complete)
{
    static const QRegularExpression reply(QStringLiteral("RES:(\\d+);"));
    *complete = reply.match(buffer).hasMatch();
    if (!*complete || buffer.size() < 5)
        return 0;
    // The buffer holds exactly one answer: the digits sit between "RES:" and the final ";".
    bool ok = false;
    const quint64 pid = buffer.mid(4, buffer.size() - 5).toULongLong(&ok);
    return ok ? pid : 0;
}

bool isInstanceWindowTitle(const QString& title)
{
    static const QRegularExpression internal(QStringLiteral("^vesk(\\s*\\(\\d+\\))?$"));
    if (title.isEmpty() || title.size() >= 1024)
        return false;
    return internal.match(title).hasMatch() || title == QLatin1String("Brimlock Driver");
}

} // namespace instanceprotocol
