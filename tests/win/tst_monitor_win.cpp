#include "monitor/processsnapshot.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> executables()
{
    std::vector<std::string> paths;
    REQUIRE(processsnapshot::forEachExecutable([&](const std::string& path) { paths.push_back(path); }));
    return paths;
}

bool contains(const std::vector<std::string>& paths, const std::string& path)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

} // namespace

TEST_CASE("the snapshot names running programs by drive letter, on every drive")
{
    // The suite runs from one drive (Z: under wine); a copy of the helper runs from the
    // system drive, so two different volume devices are converted.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring copy = std::wstring(windows, 3) + L"vesk_win_child_copy.exe";
    REQUIRE(CopyFileW(winsupport::childProgram().c_str(), copy.c_str(), FALSE));
    const std::wstring folder = winsupport::freshFolder(L"monitor");
    std::wstring commandLine = L"\"" + copy + L"\" \"" + folder + L"started.txt\" 20000";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    REQUIRE(
        CreateProcessW(copy.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
    winsupport::readRecord(folder + L"started.txt");

    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::vector<std::string> running = executables();
    CHECK(contains(running, wintext::utf8(self, length)));
    CHECK(contains(running, wintext::utf8(copy)));

    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 5000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CHECK_FALSE(contains(executables(), wintext::utf8(copy)));
    DeleteFileW(copy.c_str());
}
