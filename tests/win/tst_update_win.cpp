#include "update/updatefolders_win.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

struct ShellOperation {
    UINT function = 0;
    FILEOP_FLAGS flags = 0;
    std::wstring from;
    bool doubleTerminated = false;
    bool window = false;
};
ShellOperation g_operation;
void* g_shFileOperationW = nullptr;

int WINAPI recordShellOperation(LPSHFILEOPSTRUCTW operation)
{
    g_operation.function = operation->wFunc;
    g_operation.flags = operation->fFlags;
    g_operation.from = operation->pFrom;
    g_operation.doubleTerminated = operation->pFrom[g_operation.from.size() + 1] == L'\0';
    g_operation.window = operation->hwnd != nullptr || operation->lpszProgressTitle != nullptr;
    return reinterpret_cast<decltype(&SHFileOperationW)>(g_shFileOperationW)(operation);
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST_CASE("a folder is deleted with everything in it by one silent shell operation")
{
    const std::wstring folder = winsupport::freshFolder(L"folderdelete");
    const std::wstring doomed = folder + L"tupdates\\client";
    CreateDirectoryW((folder + L"tupdates").c_str(), nullptr);
    CreateDirectoryW(doomed.c_str(), nullptr);
    CreateDirectoryW((doomed + L"\\ready").c_str(), nullptr);
    winsupport::writeFile(doomed + L"\\ready\\Updater.exe", "x");
    winsupport::writeFile(folder + L"tupdates\\keep.txt", "x");

    winsupport::ImportPatch patch("shell32.dll", "SHFileOperationW", reinterpret_cast<void*>(&recordShellOperation));
    REQUIRE(patch.original);
    g_shFileOperationW = patch.original;
    g_operation = ShellOperation{};

    CHECK(shellfolders::deleteFolder(doomed) == 0);
    CHECK_FALSE(exists(doomed));
    CHECK(exists(folder + L"tupdates\\keep.txt"));
    CHECK(g_operation.function == FO_DELETE);
    CHECK(g_operation.flags == 0x414);
    CHECK(g_operation.from == doomed);
    CHECK(g_operation.doubleTerminated);
    CHECK_FALSE(g_operation.window);

    // Gone already: nothing to do, nothing shown.
    shellfolders::deleteFolder(doomed);
    CHECK(exists(folder + L"tupdates\\keep.txt"));
}

TEST_CASE("a path that does not fit, or no path, is never handed to the shell")
{
    const std::wstring folder = winsupport::freshFolder(L"folderlong");
    winsupport::writeFile(folder + L"keep.txt", "x");
    winsupport::ImportPatch patch("shell32.dll", "SHFileOperationW", reinterpret_cast<void*>(&recordShellOperation));
    g_shFileOperationW = patch.original;
    g_operation = ShellOperation{};

    const std::wstring tooLong = folder + std::wstring(shellfolders::kPathRoom, L'x');
    CHECK(shellfolders::deleteFolder(tooLong) == ERROR_FILENAME_EXCED_RANGE);
    CHECK(shellfolders::deleteFolder(L"") == ERROR_INVALID_PARAMETER);
    CHECK(g_operation.function == 0);
    CHECK(exists(folder + L"keep.txt"));
}
