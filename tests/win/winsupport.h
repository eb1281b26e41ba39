#pragma once

#include "win/wintext.h"

#include <windows.h>

#include <string>

// Helpers the Windows suites share.
namespace winsupport {

// The helper program built beside the suites.
inline std::wstring childProgram()
{
    return wintext::moduleDirectory() + L"vesk_win_child.exe";
}

// A fresh, empty folder under the temporary folder, with a trailing backslash.
inline std::wstring freshFolder(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

inline bool writeFile(const std::wstring& path, const char* text)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr) != FALSE;
    CloseHandle(file);
    return ok;
}

// What the helper wrote: its command line. Waits up to five seconds for it to appear.
inline std::wstring readRecord(const std::wstring& path)
{
    for (int i = 0; i < 100; ++i) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            wchar_t buffer[4096];
            DWORD read = 0;
            ReadFile(file, buffer, sizeof buffer, &read, nullptr);
            CloseHandle(file);
            if (read > 0)
                return std::wstring(buffer, read / sizeof(wchar_t));
        }
        Sleep(50);
    }
    return std::wstring();
}

// Points this executable's import of `function` from `module` at `replacement` while it
// lives, so a suite sees the exact arguments the backend passes to the system. `original`
// is the system's function (null when the import is not there).
class ImportPatch {
public:
    ImportPatch(const char* module, const char* function, void* replacement)
    {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        void* const target = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), function));
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name && !slot_;
             ++d) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), module) != 0)
                continue;
            for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); thunk->u1.Function; ++thunk) {
                if (reinterpret_cast<void*>(thunk->u1.Function) == target) {
                    slot_ = &thunk->u1.Function;
                    break;
                }
            }
        }
        if (!slot_)
            return;
        original = target;
        write(reinterpret_cast<ULONG_PTR>(replacement));
    }
    ~ImportPatch()
    {
        if (slot_)
            write(reinterpret_cast<ULONG_PTR>(original));
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    void* original = nullptr;

private:
    void write(ULONG_PTR value)
    {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof value, PAGE_READWRITE, &protection);
        *slot_ = value;
        VirtualProtect(slot_, sizeof value, protection, &protection);
    }
    ULONG_PTR* slot_ = nullptr;
};

} // namespace winsupport
