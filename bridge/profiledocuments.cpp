#include "bridge/profiledocuments.h"

#include "app/textfile.h"
#include "bridge/profilexml.h"

#include <QFile>
#include <QTextStream>

ProfileDocuments::ProfileDocuments(QMap<QString, QString>& documents, QStringList& pendingPaths)
    : m_documents(documents), m_pendingPaths(pendingPaths)
{
}

bool ProfileDocuments::load(const QString& path)
{
    if (m_documents.contains(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    m_documents.insert(path, in.readAll());
    return true;
}

void ProfileDocuments::commit(const QString& path, profilexml::Document& document)
{
    setText(path, document.takeText());
}

void ProfileDocuments::setText(const QString& path, const QString& text)
{
    m_documents.insert(path, text);
    markPending(path);
}

bool ProfileDocuments::writePending()
{
    return profiledocuments::writePending(m_documents, m_pendingPaths);
}

void ProfileDocuments::markPending(const QString& path)
{
    if (!m_pendingPaths.contains(path))
        m_pendingPaths.append(path);
}

namespace profiledocuments {

bool writePending(const QMap<QString, QString>& documents, QStringList& pendingPaths)
{
    if (documents.isEmpty())
        return false;
    for (const QString& path : qAsConst(pendingPaths)) {
        if (!textfile::write(path, documents.value(path)))
            return false;
    }
    pendingPaths.clear();
    return true;
}

} // namespace profiledocuments
