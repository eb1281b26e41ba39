#pragma once

#include <QString>

#include <cstddef>

namespace google_breakpad {
class MinidumpDescriptor;
} // namespace google_breakpad

// Crash reporting: Breakpad writes a minidump into the dump directory, then the crash
// reporter is started with the dump's path. Process-wide; the handler is uninstalled at exit.
class BreakpadQt {
public:
    static constexpr std::size_t ReporterBufferSize = 1024;
    static constexpr std::size_t CommandLineSize = 2600;

    static bool handlerInstalled();
    static void installCrashHandler(const QString& dumpDirectory);
    static void setReporter(const QString& reporter);

    // The stored reporter path, zero-terminated in the local 8-bit encoding.
    static const char* reporterPath();

    // Breakpad's completion callback, run inside the crashed process.
    static bool onMinidumpWritten(const google_breakpad::MinidumpDescriptor& descriptor, void* context, bool succeeded);
    // Starts the reporter from "<reporter> <dump>", splitting it in place at programLength;
    // does not wait for it. Always false.
    static bool launchReporter(char* commandLine, std::size_t programLength);
};
