#include "update/pagebundleinstall_win.h"

#include <windows.h>

#include <deque>

namespace bundlefiles {
namespace {

constexpr int kAttemptsPerRound = 30;
constexpr DWORD kRetryPauseMs = 100;

bool isDots(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

} // namespace

Walk plan(const std::wstring& sourceRoot, const std::wstring& destinationRoot, Plan* out)
{
    // The page folder itself is made too, should it be missing.
    out->folders.push_back(destinationRoot);
    std::deque<std::wstring> queue{sourceRoot};
    while (!queue.empty()) {
        const std::wstring folder = queue.front();
        queue.pop_front();
        const std::wstring relative = folder.substr(sourceRoot.size());
        if (folder != sourceRoot)
            out->folders.push_back(destinationRoot + relative.substr(1) + L"\\");
        WIN32_FIND_DATAW entry;
        const HANDLE find =
            FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoStandard, &entry, FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_PATH_NOT_FOUND ? Walk::NoBundle : Walk::Failed;
        do {
            if (isDots(entry.cFileName))
                continue;
            const std::wstring path = folder + L"\\" + entry.cFileName;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                queue.push_back(path);
            else
                out->files.emplace_back(path, destinationRoot + path.substr(sourceRoot.size() + 1));
        } while (FindNextFileW(find, &entry));
        const DWORD error = GetLastError();
        FindClose(find);
        if (error != ERROR_NO_MORE_FILES)
            return Walk::Failed;
    }
    return Walk::Planned;
}

bool createFolders(const std::vector<std::wstring>& folders)
{
    for (const std::wstring& folder : folders) {
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

std::wstring inaccessibleText(const std::wstring& destination)
{
    return L"Failed to update vesk :(\n" + destination + L" is not accessible.";
}

bool askRetry(const std::wstring& destination)
{
    return MessageBoxW(nullptr, inaccessibleText(destination).c_str(), L"Update error!",
                       MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY;
}

bool copyWithRetries(const std::wstring& source, const std::wstring& destination, const RetryPrompt& prompt)
{
    for (;;) {
        for (int attempt = 0; attempt < kAttemptsPerRound; ++attempt) {
            if (CopyFileW(source.c_str(), destination.c_str(), FALSE))
                return true;
            Sleep(kRetryPauseMs);
        }
        if (!prompt(destination))
            return false;
    }
}

} // namespace bundlefiles
