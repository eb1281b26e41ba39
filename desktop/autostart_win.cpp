#include "desktop/autostart_win.h"
#include "desktop/autostart.h"

#include "win/wintext.h"

#include <windows.h>

namespace autostart {

std::wstring runValueData(const std::wstring& appDir)
{
    return L"\"" + appDir + L"vesk.exe\" -autostart";
}

void setAutoStart(bool enable)
{
    const std::wstring data = runValueData(wintext::moduleDirectory());
    HKEY key = nullptr;
    // Opened, never created: without the key (or the rights) autostart stays as it was.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (enable) {
        RegSetValueExW(key, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, kRunValueName);
    }
    RegCloseKey(key);
}

} // namespace autostart
