#include "app/crashlauncher.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace crashlauncher {
namespace {

constexpr size_t kCommandLineRoom = 2600;

void writeAll(HANDLE stream, const char* text, std::size_t length)
{
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(stream, text, static_cast<DWORD>(length), &written, nullptr) || written == 0)
            return;
        text += written;
        length -= written;
    }
}

// The arguments joined by blanks, unquoted, as the reporter expects them. False when they
// do not fit: a cut line would name another file.
bool buildCommandLine(char* const argv[], wchar_t* out)
{
    size_t used = 0;
    for (char* const* argument = argv; *argument; ++argument) {
        if (argument != argv) {
            if (used + 1 >= kCommandLineRoom)
                return false;
            out[used++] = L' ';
        }
        const size_t length = std::mbstowcs(out + used, *argument, kCommandLineRoom - used);
        if (length == static_cast<size_t>(-1) || used + length >= kCommandLineRoom)
            return false;
        used += length;
    }
    out[used] = L'\0';
    return true;
}

} // namespace

// The launch below uses only a stack buffer and system calls.
void prepare() {}

int start(const char*, char* const argv[])
{
    wchar_t commandLine[kCommandLineRoom];
    if (!buildCommandLine(argv, commandLine))
        return ERROR_FILENAME_EXCED_RANGE;
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | CREATE_DEFAULT_ERROR_MODE | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return static_cast<int>(GetLastError());
    if (PostThreadMessageW(process.dwThreadId, WM_QUIT, 0, 0)) {
        static const char sent[] = "Request to terminate process has been sent!";
        writeAll(GetStdHandle(STD_OUTPUT_HANDLE), sent, sizeof sent - 1);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return 0;
}

void writeStandardError(const char* text, std::size_t length)
{
    writeAll(GetStdHandle(STD_ERROR_HANDLE), text, length);
}

} // namespace crashlauncher
