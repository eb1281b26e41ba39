#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace profilexml {
class Document;
}

// The window's profile document texts and the paths changed since they were last written.
// A text is read from disk once, on first use; after that the text in memory wins.
class ProfileDocuments {
public:
    ProfileDocuments(QMap<QString, QString>& documents, QStringList& pendingPaths);

    // Reads `path` into the table unless it is there already; false when it cannot be read.
    bool load(const QString& path);
    QString text(const QString& path) const { return m_documents.value(path); }
    // Stores the serialised `document` as the text of `path` and marks it pending. The
    // document is used up.
    void commit(const QString& path, profilexml::Document& document);
    void setText(const QString& path, const QString& text);
    // Writes the pending documents as the window's flush does; true once all are written.
    bool writePending();

private:
    void markPending(const QString& path);

    QMap<QString, QString>& m_documents;
    QStringList& m_pendingPaths;
};

namespace profiledocuments {

// Writes every pending document, in order, each one safely, and empties the pending list.
// Stops at the first that cannot be written, leaving the list as it was. Returns false then,
// and when the table is empty (nothing is written at all).
bool writePending(const QMap<QString, QString>& documents, QStringList& pendingPaths);

} // namespace profiledocuments
