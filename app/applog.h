#pragma once

#include <QString>

// The application log "web.log" in the working directory. Lines carry the severity and the
// source unit that wrote them; lines below the minimum severity are not written.
namespace applog {

enum Severity { Verbose = -1, Info = 0, Warning = 1, Error = 2, Disable = 99 };

// Opens "web.log" in the working directory (append) and sets the minimum severity.
void initialize(Severity minimum);
// Reads the value of a "--log-severity=" switch; unknown values keep Info.
Severity severityFromName(const QString& name);
bool admits(Severity severity);
void write(Severity severity, const char* unit, const QString& text);

inline void info(const char* unit, const QString& text)
{
    write(Info, unit, text);
}

} // namespace applog
