#pragma once

#include "browser/querycallback.h"

#include <QVariantMap>

class vesk;

// Profile document commands: XPath queries and edits of the documents table.
class ProfileCommands {
public:
    explicit ProfileCommands(vesk& window);

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
    vesk& m_window;
};
