#include "update/updaterlaunch.h"

#include "win/wintext.h"

#include <windows.h>

#include <shellapi.h>

namespace updaterlaunch {

CopyResult copyFile(const std::string& from, const std::string& to)
{
    if (CopyFileW(wintext::wide(from).c_str(), wintext::wide(to).c_str(), FALSE))
        return CopyResult::Copied;
    return GetLastError() == ERROR_ACCESS_DENIED ? CopyResult::AccessDenied : CopyResult::Failed;
}

// Every file can be started on Windows; there is no bit to give.
bool makeExecutable(const std::string& path)
{
    return GetFileAttributesW(wintext::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int start(const std::string& file, const std::string& argument, const std::string& workDir, bool elevated)
{
    const std::wstring wideFile = wintext::wide(file);
    const std::wstring wideArgument = wintext::wide(argument);
    const std::wstring wideWorkDir = wintext::wide(workDir);
    const HINSTANCE result =
        ShellExecuteW(nullptr, elevated ? L"runas" : nullptr, wideFile.c_str(), wideArgument.c_str(),
                      wideWorkDir.empty() ? nullptr : wideWorkDir.c_str(), SW_SHOWNORMAL);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

} // namespace updaterlaunch
