#include <windows.h>

#include <cstdlib>

// Started by the suites: records how it was started, then lives a while.
int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const wchar_t* commandLine = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, commandLine, static_cast<DWORD>(wcslen(commandLine) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    if (argc > 2)
        Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    return 0;
}
