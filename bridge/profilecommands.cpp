#include "bridge/profilecommands.h"

#include "bridge/commandargs.h"
#include "bridge/profilefile.h"
#include "bridge/vesk.h"
#include "desktop/mousesettings.h"

#include <vector>

using commandargs::hasAll;
using commandargs::text;

namespace {

const QString kQueryFailed = QStringLiteral("queryProfile load xml file failed!");
const QString kCountFailed = QStringLiteral("nodeCounterProfile load xml file failed!");
const QString kModifyFailed = QStringLiteral("modifyProfile load xml file failed!");
const QString kModifyExFailed = QStringLiteral("modifyProfileEx load xml file failed!");
const QString kReplaceFailed = QStringLiteral("modifyReplaceProfile load xml file failed!");
const QString kSaveAsFailed = QStringLiteral("saveXmlAs load xml file failed!");
const QString kSaveAsWriteFailed = QStringLiteral("saveXmlAs desFilePath is failed!");

std::vector<QByteArray> utf8List(const QStringList& texts)
{
    std::vector<QByteArray> list;
    list.reserve(size_t(texts.size()));
    for (const QString& t : texts)
        list.push_back(t.toUtf8());
    return list;
}

// Fills in the "%" parts among the first four of `code` with the listed arguments, in order.
// Missing arguments, and positions the code does not have, count as empty.
QString fillPlaceholders(const QString& code, const QString& args)
{
    const QStringList values = args.split(QLatin1Char(','), Qt::SkipEmptyParts);
    QStringList parts = code.split(QLatin1Char(','));
    int next = 0;
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        if (parts.at(i) == QLatin1String("%"))
            parts[i] = values.value(next++);
    }
    return parts.join(QLatin1Char(','));
}

// Puts a copy of `source` where `target` is, `target` itself going away. Without a source the
// target is only removed; without a target nothing changes.
void replaceNode(pugi::xml_node target, const pugi::xml_node& source)
{
    pugi::xml_node parent = target.parent();
    if (parent.first_child() == target) {
        parent.remove_child(target);
        parent.prepend_copy(source);
    } else {
        const pugi::xml_node previous = target.previous_sibling();
        parent.remove_child(target);
        parent.insert_copy_after(source, previous);
    }
}

} // namespace

ProfileCommands::ProfileCommands(QMap<QString, QString>& documents, QStringList& pendingPaths, const QString& appDir)
    : m_documents(documents, pendingPaths), m_appDir(appDir)
{
}

QString ProfileCommands::appPath(const QVariantMap& args, const char* key) const
{
    return m_appDir + QLatin1Char('/') + text(args, QLatin1String(key));
}

bool ProfileCommands::parse(const QString& path, profilexml::Document& document, const QueryCallbackPtr& callback,
                            const QString& failure)
{
    if (document.parse(m_documents.text(path)))
        return true;
    vesk::replyFailure(callback, 0, failure);
    return false;
}

bool ProfileCommands::open(const QString& path, profilexml::Document& document, const QueryCallbackPtr& callback,
                           const QString& failure)
{
    // A document that cannot be read ends the command without a reply; one that does not parse fails.
    return m_documents.load(path) && parse(path, document, callback, failure);
}

void ProfileCommands::queryProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"filePath", "xpath"}))
        return;
    const QString path = appPath(args, "filePath");
    profilexml::Document document;
    if (!open(path, document, callback, kQueryFailed))
        return;
    const auto nodes = profilexml::selectAll(document.root(), text(args, QStringLiteral("xpath")));
    if (!nodes)
        return vesk::replyFailure(callback, 0, kQueryFailed);
    QByteArray printed;
    for (const pugi::xpath_node& selected : *nodes) {
        if (selected.node())
            profilexml::printNode(selected.node(), printed);
    }
    vesk::replySuccess(callback, QString::fromUtf8(printed));
}

void ProfileCommands::nodeCounterProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"filePath", "xpath"}))
        return;
    const QString path = appPath(args, "filePath");
    profilexml::Document document;
    if (!open(path, document, callback, kCountFailed))
        return;
    const auto first = profilexml::selectFirst(document.root(), text(args, QStringLiteral("xpath")));
    if (!first)
        return vesk::replyFailure(callback, 0, kCountFailed);
    int count = 0;
    for (auto it = first->node().begin(); it != first->node().end(); ++it)
        ++count;
    vesk::replySuccess(callback, QString::number(count));
}

void ProfileCommands::modifyProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    // The page counts on this even for an incomplete request. A desktop that refuses the
    // change leaves the command's own work and reply as they are.
    mousesettings::setDoubleClickIndex(0);
    if (!hasAll(args, {"filePath", "xpath", "attribute", "attributeValue"}))
        return;
    const QString path = appPath(args, "filePath");
    profilexml::Document document;
    if (!open(path, document, callback, kModifyFailed))
        return;
    const auto nodes = profilexml::selectAll(document.root(), text(args, QStringLiteral("xpath")));
    if (!nodes)
        return vesk::replyFailure(callback, 0, kModifyFailed);
    const std::vector<QByteArray> names =
        utf8List(text(args, QStringLiteral("attribute")).split(QLatin1Char(';'), Qt::SkipEmptyParts));
    const std::vector<QByteArray> values =
        utf8List(text(args, QStringLiteral("attributeValue")).split(QLatin1Char(';')));
    for (const pugi::xpath_node& selected : *nodes) {
        for (size_t i = 0; i < names.size(); ++i) {
            pugi::xml_attribute attribute = selected.node().attribute(names[i].constData());
            if (attribute)
                attribute.set_value(i < values.size() ? values[i].constData() : "");
        }
    }
    m_documents.commit(path, document);
    vesk::replySuccess(callback, QStringLiteral("modifyProfile success!"));
}

void ProfileCommands::modifyProfileEx(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"filePath", "xpath", "subTreeString"}))
        return;
    const QString path = appPath(args, "filePath");
    if (!m_documents.load(path))
        return;
    // Whatever the parser kept of a broken fragment is used as it is.
    profilexml::Document fragment;
    fragment.parse(text(args, QStringLiteral("subTreeString")));
    profilexml::Document document;
    if (!parse(path, document, callback, kModifyExFailed))
        return;
    const auto nodes = profilexml::selectAll(document.root(), text(args, QStringLiteral("xpath")));
    if (!nodes)
        return vesk::replyFailure(callback, 0, kModifyExFailed);
    // Every selected node is emptied and the first receives the fragment. Going backwards
    // empties a selected node before any selected ancestor, so no node is touched after an
    // ancestor has taken it away.
    for (size_t i = nodes->size(); i-- > 0;) {
        pugi::xml_node node = (*nodes)[i].node();
        node.remove_children();
        if (i == 0) {
            for (const pugi::xml_node& top : fragment.root().children())
                node.append_copy(top);
        }
    }
    m_documents.commit(path, document);
    vesk::replySuccess(callback, QStringLiteral("modifyProfileEx success"));
}

void ProfileCommands::modifyRemoveProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"filePath", "xpath"}))
        return;
    const QString path = appPath(args, "filePath");
    profilexml::Document document;
    if (!open(path, document, callback, kModifyFailed))
        return;
    const auto nodes = profilexml::selectAll(document.root(), text(args, QStringLiteral("xpath")));
    if (!nodes)
        return vesk::replyFailure(callback, 0, kModifyFailed);
    // Backwards, so a selected node inside another selected node goes first.
    for (size_t i = nodes->size(); i-- > 0;) {
        pugi::xml_node node = (*nodes)[i].node();
        node.parent().remove_child(node);
    }
    m_documents.commit(path, document);
    vesk::replySuccess(callback, QStringLiteral("modifyRemoveProfile success"));
}

void ProfileCommands::modifyAddProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"filePath", "xpath", "attribute", "attributeValue"}))
        return;
    const QString path = appPath(args, "filePath");
    profilexml::Document document;
    if (!open(path, document, callback, kModifyFailed))
        return;
    const auto nodes = profilexml::selectAll(document.root(), text(args, QStringLiteral("xpath")));
    if (!nodes)
        return vesk::replyFailure(callback, 0, kModifyFailed);
    const QByteArray name = text(args, QStringLiteral("addNodeName")).toUtf8();
    const std::vector<QByteArray> names =
        utf8List(text(args, QStringLiteral("attribute")).split(QLatin1Char(';'), Qt::SkipEmptyParts));
    const std::vector<QByteArray> values =
        utf8List(text(args, QStringLiteral("attributeValue")).split(QLatin1Char(';'), Qt::SkipEmptyParts));
    for (const pugi::xpath_node& selected : *nodes) {
        pugi::xml_node added = selected.node().append_child(name.constData());
        for (size_t i = 0; i < names.size(); ++i)
            added.append_attribute(names[i].constData()).set_value(i < values.size() ? values[i].constData() : "");
    }
    m_documents.commit(path, document);
    vesk::replySuccess(callback, QStringLiteral("modifyAddProfile success"));
}

void ProfileCommands::modifyReplaceProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"srcFilePath", "desFilePath", "srcXpath", "desXpath"}))
        return;
    const QString sourcePath = appPath(args, "srcFilePath");
    const QString targetPath = appPath(args, "desFilePath");
    if (!m_documents.load(sourcePath) || !m_documents.load(targetPath))
        return;
    profilexml::Document target;
    profilexml::Document source;
    if (!parse(targetPath, target, callback, kReplaceFailed) || !parse(sourcePath, source, callback, kReplaceFailed))
        return;
    const auto from = profilexml::selectFirst(source.root(), text(args, QStringLiteral("srcXpath")));
    const auto to = profilexml::selectFirst(target.root(), text(args, QStringLiteral("desXpath")));
    if (!from || !to)
        return vesk::replyFailure(callback, 0, kReplaceFailed);
    if (to->node())
        replaceNode(to->node(), from->node());
    m_documents.commit(targetPath, target);
    vesk::replySuccess(callback, QStringLiteral("modifyReplaceProfile success"));
}

void ProfileCommands::modifyReplaceProfileEx(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    // "srcXpath" is part of the request but the whole exported node is imported.
    if (!hasAll(args, {"srcFilePath", "desFilePath", "srcXpath", "desXpath"}))
        return;
    const QString targetPath = appPath(args, "desFilePath");
    profilexml::Document target;
    if (!m_documents.load(targetPath) || !parse(targetPath, target, callback, kReplaceFailed))
        return;
    const std::optional<QByteArray> exported = profilefile::read(text(args, QStringLiteral("srcFilePath")));
    pugi::xml_document source;
    if (!exported || !source.load_string(exported->constData()))
        return vesk::replyFailure(callback, 0, kReplaceFailed);
    const auto to = profilexml::selectFirst(target.root(), text(args, QStringLiteral("desXpath")));
    if (!to)
        return vesk::replyFailure(callback, 0, kReplaceFailed);
    pugi::xml_node node = to->node();
    node.remove_children();
    for (const pugi::xml_node& child : source.first_child().children())
        node.append_copy(child);
    m_documents.commit(targetPath, target);
    vesk::replySuccess(callback, QStringLiteral("modifyReplaceProfile success"));
}

void ProfileCommands::resetProfile(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"srcFilePath", "desFilePath"}))
        return;
    const QString sourcePath = appPath(args, "srcFilePath");
    const QString targetPath = appPath(args, "desFilePath");
    if (!m_documents.load(sourcePath) || !m_documents.load(targetPath))
        return;
    m_documents.setText(targetPath, m_documents.text(sourcePath));
    vesk::replySuccess(callback, QStringLiteral("resetProfile success"));
}

void ProfileCommands::queryHexByte(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"filePath", "xpath", "args"}))
        return;
    const QString path = appPath(args, "filePath");
    profilexml::Document document;
    if (!open(path, document, callback, kModifyFailed))
        return;
    const auto first = profilexml::selectFirst(document.root(), text(args, QStringLiteral("xpath")));
    if (!first)
        return vesk::replyFailure(callback, 0, kModifyFailed);
    QString code = QString::fromUtf8(first->node().attribute("code").value());
    if (code.contains(QLatin1Char('%')))
        code = fillPlaceholders(code, text(args, QStringLiteral("args")));
    vesk::replySuccess(callback, code);
}

void ProfileCommands::savexml(const QVariantMap&, const QueryCallbackPtr& callback)
{
    // A document that cannot be written ends the command without a reply; it stays pending.
    if (m_documents.writePending())
        vesk::replySuccess(callback, QStringLiteral("save xml success"));
}

void ProfileCommands::saveXmlAs(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!hasAll(args, {"srcFilePath", "desFilePath", "xpath"}))
        return;
    const QString path = appPath(args, "srcFilePath");
    profilexml::Document document;
    if (!open(path, document, callback, kSaveAsFailed))
        return;
    const auto first = profilexml::selectFirst(document.root(), text(args, QStringLiteral("xpath")));
    if (!first)
        return vesk::replyFailure(callback, 0, kSaveAsFailed);
    pugi::xml_document exported;
    exported.append_copy(first->node());
    if (!profilefile::write(text(args, QStringLiteral("desFilePath")), profilexml::saveDocument(exported)))
        return vesk::replyFailure(callback, 0, kSaveAsWriteFailed);
    vesk::replySuccess(callback, QStringLiteral("saveXmlAs success"));
}
