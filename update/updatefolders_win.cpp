#include "update/updatefolders_win.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>

namespace shellfolders {

int deleteFolder(const std::wstring& nativePath)
{
    // An empty text would leave the shell to pick what to delete.
    if (nativePath.empty())
        return ERROR_INVALID_PARAMETER;
    if (nativePath.size() > kPathRoom - 2)
        return ERROR_FILENAME_EXCED_RANGE;
    wchar_t from[kPathRoom];
    std::memset(from, 0, sizeof from);
    nativePath.copy(from, nativePath.size());
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    operation.lpszProgressTitle = nullptr;
    return SHFileOperationW(&operation);
}

} // namespace shellfolders
