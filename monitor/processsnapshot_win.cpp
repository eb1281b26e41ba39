#include "monitor/processsnapshot.h"

#include "monitor/drivepath.h"
#include "win/wintext.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

namespace processsnapshot {
namespace {

// The drive roots and their volume devices, read anew for every process: a drive can come
// and go between two of them.
std::vector<drivepath::DosDrive> dosDrives()
{
    std::vector<drivepath::DosDrive> drives;
    const DWORD needed = GetLogicalDriveStringsW(1, nullptr);
    if (needed == 0)
        return drives;
    std::vector<wchar_t> roots(needed + 1, L'\0');
    const DWORD length = GetLogicalDriveStringsW(needed + 1, roots.data());
    if (length == 0 || length > needed)
        return drives;
    for (const wchar_t* root = roots.data(); *root; root += wcslen(root) + 1) {
        const wchar_t drive[] = {root[0], L':', L'\0'};
        wchar_t device[drivepath::kMaxPath] = {};
        std::u16string deviceName;
        if (QueryDosDeviceW(drive, device, drivepath::kMaxPath) != 0)
            deviceName.assign(device, device + wcslen(device));
        drives.push_back({static_cast<char16_t>(root[0]), deviceName});
    }
    return drives;
}

bool drivePathOf(DWORD pid, std::u16string* path)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    wchar_t image[drivepath::kMaxPath];
    const DWORD length = GetProcessImageFileNameW(process, image, drivepath::kMaxPath);
    CloseHandle(process);
    return length != 0 && drivepath::toDrivePath(std::u16string(image, image + length), dosDrives(), path);
}

} // namespace

bool forEachExecutable(const Visitor& visit)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot, &entry)) {
        CloseHandle(snapshot);
        return false;
    }
    do {
        std::u16string path;
        if (drivePathOf(entry.th32ProcessID, &path))
            visit(wintext::utf8(reinterpret_cast<const wchar_t*>(path.data()), path.size()));
    } while (Process32NextW(snapshot, &entry));
    CloseHandle(snapshot);
    return true;
}

} // namespace processsnapshot
