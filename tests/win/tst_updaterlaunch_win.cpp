#include "update/updaterlaunch.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <string>

namespace {

std::string utf8(const std::wstring& text)
{
    return wintext::utf8(text);
}

} // namespace

TEST_CASE("copying the updater: replaced whole, refused onto a folder, failed from nowhere")
{
    const std::wstring folder = winsupport::freshFolder(L"updatercopy");
    winsupport::writeFile(folder + L"Updater.exe", "new");
    winsupport::writeFile(folder + L"placed.exe", "old and longer");
    CreateDirectoryW((folder + L"folder").c_str(), nullptr);

    CHECK(updaterlaunch::copyFile(utf8(folder + L"Updater.exe"), utf8(folder + L"placed.exe")) ==
          updaterlaunch::CopyResult::Copied);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    REQUIRE(GetFileAttributesExW((folder + L"placed.exe").c_str(), GetFileExInfoStandard, &data));
    CHECK(data.nFileSizeLow == 3);

    // A folder in the way answers ERROR_ACCESS_DENIED, as a folder without rights does.
    CHECK(updaterlaunch::copyFile(utf8(folder + L"Updater.exe"), utf8(folder + L"folder")) ==
          updaterlaunch::CopyResult::AccessDenied);
    CHECK(updaterlaunch::copyFile(utf8(folder + L"missing.exe"), utf8(folder + L"placed2.exe")) ==
          updaterlaunch::CopyResult::Failed);

    CHECK(updaterlaunch::makeExecutable(utf8(folder + L"placed.exe")));
    CHECK_FALSE(updaterlaunch::makeExecutable(utf8(folder + L"missing.exe")));
}

TEST_CASE("the updater starts through the shell in the work directory with its argument")
{
    bool elevated = false;
    SUBCASE("default verb")
    {
        elevated = false;
    }
    SUBCASE("runas")
    {
        elevated = true;
    }
    CAPTURE(elevated);
    const std::wstring folder = winsupport::freshFolder(elevated ? L"updaterrunas" : L"updaterstart");
    DeleteFileW((folder + L"started.txt").c_str());

    // The helper writes its record under the name it is given, relative to where it runs.
    CHECK(updaterlaunch::start(utf8(winsupport::childProgram()), "started.txt", utf8(folder), elevated) > 32);
    const std::wstring record = winsupport::readRecord(folder + L"started.txt");
    CHECK(record.find(L"started.txt") != std::wstring::npos);
}

TEST_CASE("a missing updater is the shell's file-not-found")
{
    const std::wstring folder = winsupport::freshFolder(L"updatermissing");
    CHECK(updaterlaunch::start(utf8(folder + L"Updater.exe"), "-update", utf8(folder), false) == ERROR_FILE_NOT_FOUND);
}
