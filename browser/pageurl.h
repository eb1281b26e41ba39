#pragma once

#include <QCoreApplication>
#include <QUrl>

namespace pageurl {

// The page bundle's start page in the application directory.
inline QUrl indexPage()
{
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/view/index.html"));
}

// An application file named by a path that begins with "/".
inline QUrl applicationFile(const QString& path)
{
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + path);
}

} // namespace pageurl
