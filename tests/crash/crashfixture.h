#pragma once

#include <QString>
#include <QStringList>

// Helpers shared by the crash tests and the crash benchmark.
namespace crashfixture {

// Paths of the fixture reporter and Breakpad's minidump_stackwalk, fixed by the build.
QString reporterProgram();
QString stackwalkProgram();

// The "*.dmp" files directly inside dir, as absolute paths.
QStringList dumpFiles(const QString& dir);

// Waits up to timeoutMs for the fixture reporter's record; its lines, or empty on time-out.
QStringList waitForRecord(const QString& recordPath, int timeoutMs);

// The record of a reporter started as it should be: with exactly these two arguments while the
// dump exists, detached, without our descriptors and with no signal blocked.
QStringList startedCleanly(const QString& reporter, const QString& dump);

// minidump_stackwalk's report of dump (standard output), empty when it fails.
QString stackwalk(const QString& dump);

// Builds an application directory at dir for a real run of the program: the program itself
// (hard-linked, copied where that fails) beside links to the built data. withReporter puts
// the fixture reporter in as "CrashReporter".
bool makeAppDir(const QString& dir, bool withReporter);

} // namespace crashfixture
