#pragma once

#include <QString>

namespace textfile {

// Writes `text` as UTF-8 (no byte-order mark) in text mode. The file is written beside its
// target and renamed over it, so a crash or a full disk never leaves a truncated file.
// Returns false, leaving the old file as it was, when it cannot be written.
bool write(const QString& path, const QString& text);

} // namespace textfile
