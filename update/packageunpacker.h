#pragma once

#include <QString>

// Checks the downloaded package of `kind` and unpacks it into workDir + "tupdates/" + kind +
// "/ready" (through the "temp" folder beside it). On success the download file is deleted and
// the package version returned in `version`. Failures are logged and discard the program
// update folder.
bool unpackPackage(const QString& downloadPath, const QString& kind, QString* version);
