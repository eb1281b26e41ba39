#include "app/winmain_win.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace winentry {

int run(const wchar_t* commandLine, Entry entry)
{
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    int argc = 0;
    wchar_t** wideArgv = CommandLineToArgvW(commandLine, &argc);
    if (!wideArgv)
        return -1;
    std::vector<std::string> arguments(static_cast<size_t>(argc));
    std::vector<char*> argv;
    for (int i = 0; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_ACP, 0, wideArgv[i], -1, nullptr, 0, nullptr, nullptr);
        arguments[i].assign(static_cast<size_t>(size > 0 ? size : 1), '\0');
        if (size > 0)
            WideCharToMultiByte(CP_ACP, 0, wideArgv[i], -1, &arguments[i][0], size, nullptr, nullptr);
        argv.push_back(&arguments[i][0]);
    }
    argv.push_back(nullptr);
    LocalFree(wideArgv);
    return entry(argc, argv.data());
}

} // namespace winentry

int main(int argc, char** argv);

// The GUI-subsystem entry (MSVC's /SUBSYSTEM:WINDOWS); it takes the place of Qt's qtmain.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return winentry::run(GetCommandLineW(), [](int argc, char** argv) { return main(argc, argv); });
}
