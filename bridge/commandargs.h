#pragma once

#include <QStringList>
#include <QVariantMap>

#include <initializer_list>

// Argument conventions shared by every page command.
namespace commandargs {

inline QString text(const QVariantMap& args, const QString& key)
{
    return args.value(key).toString();
}

inline int integer(const QVariantMap& args, const QString& key)
{
    return args.value(key).toInt();
}

// A command with a missing required key ends at once, without a reply.
inline bool hasAll(const QVariantMap& args, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        if (!args.contains(QLatin1String(key)))
            return false;
    }
    return true;
}

} // namespace commandargs
