#include "bridge/profilexml.h"

#include <cstring>
#include <exception>

namespace profilexml {
namespace {

class ByteArrayWriter : public pugi::xml_writer {
public:
    explicit ByteArrayWriter(QByteArray& out) : m_out(out) {}
    void write(const void* data, size_t size) override { m_out.append(static_cast<const char*>(data), int(size)); }

private:
    QByteArray& m_out;
};

// Compiles `xpath`; a text that pugixml rejects, or one that does not select nodes, gives none.
std::optional<pugi::xpath_query> compile(const QString& xpath)
{
    const QByteArray utf8 = xpath.toUtf8();
    try {
        pugi::xpath_query query(utf8.constData());
        if (!query || query.return_type() != pugi::xpath_type_node_set)
            return std::nullopt;
        return query;
    } catch (const std::exception&) { // pugi::xpath_exception, std::bad_alloc
        return std::nullopt;
    }
}

} // namespace

bool Document::parse(const QString& text)
{
    m_tree.reset();
    m_buffer = text.toUtf8();
    m_buffer.squeeze(); // the conversion leaves room for three bytes a character
    // Parsed in place: no second copy of a large document. Like a C string, the text ends at
    // its first zero byte, and that byte is part of the buffer as in pugixml's own copy, so
    // text cut short at the end parses exactly as load_string parses it.
    const size_t length = std::strlen(m_buffer.constData()) + 1;
    return bool(m_tree.load_buffer_inplace(m_buffer.data(), length, pugi::parse_default, pugi::encoding_utf8));
}

QString Document::takeText()
{
    // Saving seldom makes the text much longer than it came in; room for that saves the
    // copies of a growing buffer.
    const QByteArray utf8 = saveDocument(m_tree, m_buffer.size() + m_buffer.size() / 8);
    m_tree.reset();
    m_buffer = QByteArray();
    return QString::fromUtf8(utf8);
}

std::optional<pugi::xpath_node_set> selectAll(const pugi::xml_node& context, const QString& xpath)
{
    std::optional<pugi::xpath_query> query = compile(xpath);
    if (!query)
        return std::nullopt;
    try {
        pugi::xpath_node_set nodes = query->evaluate_node_set(context);
        nodes.sort();
        return nodes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<pugi::xpath_node> selectFirst(const pugi::xml_node& context, const QString& xpath)
{
    std::optional<pugi::xpath_query> query = compile(xpath);
    if (!query)
        return std::nullopt;
    try {
        return query->evaluate_node(context);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void printNode(const pugi::xml_node& node, QByteArray& out)
{
    ByteArrayWriter writer(out);
    node.print(writer);
}

QByteArray saveDocument(const pugi::xml_document& document, int expectedSize)
{
    QByteArray out;
    out.reserve(expectedSize);
    ByteArrayWriter writer(out);
    document.save(writer, PUGIXML_TEXT("\t"), pugi::format_default, pugi::encoding_utf8);
    return out;
}

} // namespace profilexml
