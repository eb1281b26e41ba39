#pragma once

#include <QString>

#include <pugixml.hpp>

#include <optional>

// The XML side of the profile documents: parsing a document text, selecting by XPath, and
// turning nodes back into text, all with pugixml's defaults.
namespace profilexml {

// A parsed document text. The tree points into its own UTF-8 copy of the text.
class Document {
public:
    // Parses `text` with the default options, as UTF-8, up to its first zero character.
    bool parse(const QString& text);
    // The whole document with the default save (a tab per level, a declaration first). The
    // tree is released before the text is decoded, so the two are never held at once.
    QString takeText();

    pugi::xml_node root() const { return m_tree; }

private:
    QByteArray m_buffer;
    pugi::xml_document m_tree;
};

// Every node `xpath` selects from `context`, in document order. An expression that does not
// compile, or does not give nodes, answers nothing at all (std::nullopt), never an exception.
std::optional<pugi::xpath_node_set> selectAll(const pugi::xml_node& context, const QString& xpath);
// The first selected node in document order; a null node when nothing matches.
std::optional<pugi::xpath_node> selectFirst(const pugi::xml_node& context, const QString& xpath);

// `node` with the default node printing (tab indentation, a line break after it) as UTF-8.
void printNode(const pugi::xml_node& node, QByteArray& out);
// A document with the default save, as UTF-8; `expectedSize` presizes the output.
QByteArray saveDocument(const pugi::xml_document& document, int expectedSize = 0);

} // namespace profilexml
