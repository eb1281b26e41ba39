#include "app/breakpadqt.h"

// Crash reporting arrives with the Breakpad build; until then no handler is installed.
namespace BreakpadQt {

bool handlerInstalled()
{
    return false;
}

void installCrashHandler(const QString&) {}

void setReporter(const QString&) {}

} // namespace BreakpadQt
