#pragma once

#include "bridge/profilecommands.h"
#include "bridge/profilefile.h"
#include "support/appfixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <pugixml.hpp>

// The profile commands over a document table of their own, with a temporary folder as the
// application directory.
struct ProfileFixture {
    using Command = void (ProfileCommands::*)(const QVariantMap&, const QueryCallbackPtr&);

    QTemporaryDir dir;
    QMap<QString, QString> documents;
    QStringList pendingPaths;
    ProfileCommands commands{documents, pendingPaths, dir.path()};

    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray readFile(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ReplyRecorder run(Command command, const QVariantMap& args)
    {
        ReplyRecorder reply;
        (commands.*command)(args, reply.callback());
        return reply;
    }
};

inline ProfileFixture::Command commandNamed(const QString& name)
{
    static const QMap<QString, ProfileFixture::Command> commands = {
        {"queryProfile", &ProfileCommands::queryProfile},
        {"nodeCounterProfile", &ProfileCommands::nodeCounterProfile},
        {"modifyProfile", &ProfileCommands::modifyProfile},
        {"modifyProfileEx", &ProfileCommands::modifyProfileEx},
        {"modifyRemoveProfile", &ProfileCommands::modifyRemoveProfile},
        {"modifyAddProfile", &ProfileCommands::modifyAddProfile},
        {"modifyReplaceProfile", &ProfileCommands::modifyReplaceProfile},
        {"modifyReplaceProfileEx", &ProfileCommands::modifyReplaceProfileEx},
        {"resetProfile", &ProfileCommands::resetProfile},
        {"queryHexByte", &ProfileCommands::queryHexByte},
        {"savexml", &ProfileCommands::savexml},
        {"saveXmlAs", &ProfileCommands::saveXmlAs},
    };
    return commands.value(name);
}

// What pugixml's own default save makes of a document text.
inline QByteArray pugixmlSave(const pugi::xml_document& document)
{
    struct Writer : pugi::xml_writer {
        QByteArray out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), int(size)); }
    } writer;
    document.save(writer);
    return writer.out;
}
