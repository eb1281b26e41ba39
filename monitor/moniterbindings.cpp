#include "monitor/moniterbindings.h"

#include <QFile>

#include <pugixml.hpp>

namespace moniterbindings {

bool load(const QString& path, bool initiallyRunning, QMap<QString, QString>* bindings, QMap<QString, bool>* status)
{
    bindings->clear();
    status->clear();
    pugi::xml_document doc;
    if (!doc.load_file(QFile::encodeName(path).constData()))
        return false;
    for (const pugi::xpath_node& selected : doc.select_nodes("/conf/modeSetting/mode")) {
        const pugi::xml_node mode = selected.node();
        const QString index = QString::fromUtf8(mode.attribute("index").value());
        // The first child without a bound program ends this mode's list.
        for (const pugi::xml_node& child : mode.children()) {
            const QString program = QString::fromUtf8(child.attribute("bindingProcess").value());
            if (program.isEmpty())
                break;
            bindings->insert(program, index);
            status->insert(program, initiallyRunning);
        }
    }
    return true;
}

} // namespace moniterbindings
