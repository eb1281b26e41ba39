#pragma once

#include "bridge/profiledocuments.h"
#include "bridge/profilexml.h"
#include "browser/querycallback.h"

#include <QVariantMap>

// Profile document commands: XPath queries and edits of the documents table, saving, and the
// export and import of single profiles. Paths the page sends are relative to `appDir`, except
// the profile file paths, which are used as sent.
class ProfileCommands {
public:
    ProfileCommands(QMap<QString, QString>& documents, QStringList& pendingPaths, const QString& appDir);

    void queryProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void nodeCounterProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyProfileEx(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyRemoveProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyAddProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyReplaceProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyReplaceProfileEx(const QVariantMap& args, const QueryCallbackPtr& callback);
    void resetProfile(const QVariantMap& args, const QueryCallbackPtr& callback);
    void queryHexByte(const QVariantMap& args, const QueryCallbackPtr& callback);
    void savexml(const QVariantMap& args, const QueryCallbackPtr& callback);
    void saveXmlAs(const QVariantMap& args, const QueryCallbackPtr& callback);

private:
    QString appPath(const QVariantMap& args, const char* key) const;
    // Parses the text of `path`; a text that does not parse answers `failure`.
    bool parse(const QString& path, profilexml::Document& document, const QueryCallbackPtr& callback,
               const QString& failure);
    bool open(const QString& path, profilexml::Document& document, const QueryCallbackPtr& callback,
              const QString& failure);

    ProfileDocuments m_documents;
    QString m_appDir;
};
