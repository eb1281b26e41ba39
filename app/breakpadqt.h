#pragma once

#include <QString>

// Crash reporting: a minidump beside the program and the crash reporter started.
namespace BreakpadQt {

bool handlerInstalled();
void installCrashHandler(const QString& dumpDirectory);
void setReporter(const QString& reporter);

} // namespace BreakpadQt
