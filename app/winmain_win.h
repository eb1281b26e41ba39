#pragma once

// The Windows entry: the wide command line split and handed to main in the ANSI code page.
namespace winentry {

using Entry = int (*)(int argc, char** argv);

// Turns the system's crash box off (crash dumps are the crash handler's business), splits
// `commandLine`, calls `entry` with the arguments in the ANSI code page and returns its
// result; -1 without calling it when the line cannot be split.
int run(const wchar_t* commandLine, Entry entry);

} // namespace winentry
