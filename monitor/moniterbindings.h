#pragma once

#include <QMap>
#include <QString>

// Reads the process-monitor binding file (Moniter.xml): which programs are bound to which mode.
namespace moniterbindings {

// Fills `bindings` (executable path -> mode index) and `status` (every bound path ->
// `initiallyRunning`) from the file at `path`. Both tables are emptied first; false, with
// both left empty, when the file is missing or does not parse.
bool load(const QString& path, bool initiallyRunning, QMap<QString, QString>* bindings, QMap<QString, bool>* status);

} // namespace moniterbindings
