#include "desktop/autostart.h"
#include "desktop/autostart_win.h"
#include "desktop/mousesettings.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

struct SystemParametersCall {
    UINT action;
    UINT uiParam;
    std::uintptr_t pvParam;
    UINT winIni;
};
std::vector<SystemParametersCall> g_calls;
void* g_systemParametersInfoW = nullptr;

BOOL WINAPI recordSystemParameters(UINT action, UINT uiParam, PVOID pvParam, UINT winIni)
{
    g_calls.push_back({action, uiParam, reinterpret_cast<std::uintptr_t>(pvParam), winIni});
    return reinterpret_cast<decltype(&SystemParametersInfoW)>(g_systemParametersInfoW)(action, uiParam, pvParam,
                                                                                       winIni);
}

UINT wheelScrollLines()
{
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    return lines;
}

bool sameCall(const SystemParametersCall& a, const SystemParametersCall& b)
{
    return a.action == b.action && a.uiParam == b.uiParam && a.pvParam == b.pvParam && a.winIni == b.winIni;
}

} // namespace

TEST_CASE("mouse settings reach the system with the speed in the pointer argument and the lines in both")
{
    winsupport::ImportPatch patch("user32.dll", "SystemParametersInfoW",
                                  reinterpret_cast<void*>(&recordSystemParameters));
    REQUIRE(patch.original);
    g_systemParametersInfoW = patch.original;
    g_calls.clear();

    // Wine takes the speed from another argument, so its read-back is not the test here.
    mousesettings::setPointerSpeed(7);
    CHECK(mousesettings::setWheelScrollLines(5));
    CHECK(mousesettings::setWheelScrollLines(3));
    CHECK_FALSE(mousesettings::setPointerSpeed(0));
    CHECK_FALSE(mousesettings::setPointerSpeed(21));

    REQUIRE(g_calls.size() == 3);
    CHECK(sameCall(g_calls[0], {0x71, 0, 7, 1}));
    CHECK(sameCall(g_calls[1], {0x69, 5, 5, 1}));
    CHECK(sameCall(g_calls[2], {0x69, 3, 3, 1}));
}

TEST_CASE("wheel lines are set and read back")
{
    const UINT before = wheelScrollLines();
    CHECK(mousesettings::setWheelScrollLines(7));
    CHECK(wheelScrollLines() == 7);
    CHECK(mousesettings::setWheelScrollLines(static_cast<int>(before)));
}

TEST_CASE("double-click table entries become the system's double-click time")
{
    struct Case {
        int index;
        bool accepted;
        UINT milliseconds;
    };
    const UINT before = GetDoubleClickTime();
    for (const Case& c :
         {Case{0, true, 970}, Case{5, true, 620}, Case{11, true, 200}, Case{12, false, 200}, Case{-1, false, 200}}) {
        CAPTURE(c.index);
        CHECK(mousesettings::setDoubleClickIndex(c.index) == c.accepted);
        CHECK(GetDoubleClickTime() == c.milliseconds);
    }
    SetDoubleClickTime(before);
}

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;

// A fresh 64-bit prefix has no Wow6432Node Run key: the suite makes it.
void createRunKey()
{
    HKEY key = nullptr;
    REQUIRE(RegCreateKeyExW(kMachine, autostart::kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS);
    RegCloseKey(key);
}

bool runKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(kMachine, autostart::kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

struct RunValue {
    LSTATUS status;
    DWORD type;
    DWORD bytes;
    std::wstring data;
};

RunValue readRunValue()
{
    RunValue v{};
    wchar_t buffer[2048] = {};
    v.bytes = sizeof buffer;
    v.status = RegGetValueW(kMachine, autostart::kRunKey, autostart::kRunValueName, RRF_RT_ANY | RRF_NOEXPAND, &v.type,
                            buffer, &v.bytes);
    if (v.status == ERROR_SUCCESS)
        v.data.assign(buffer);
    return v;
}

} // namespace

TEST_CASE("the Run value data names vesk.exe in the application directory, quoted, with -autostart")
{
    CHECK(autostart::runValueData(L"C:\\Apps\\Mouse\\") == L"\"C:\\Apps\\Mouse\\vesk.exe\" -autostart");
    CHECK(autostart::runValueData(L"C:\\Program Files (x86)\\Mouse\\") ==
          L"\"C:\\Program Files (x86)\\Mouse\\vesk.exe\" -autostart");
}

TEST_CASE("setAutoStart writes and deletes the Run value")
{
    createRunKey();
    const std::wstring expected = autostart::runValueData(wintext::moduleDirectory());

    autostart::setAutoStart(true);
    autostart::setAutoStart(true);
    RunValue v = readRunValue();
    REQUIRE(v.status == ERROR_SUCCESS);
    CHECK(v.type == REG_SZ);
    CHECK(v.data == expected);
    CHECK(v.bytes == (expected.size() + 1) * sizeof(wchar_t));

    autostart::setAutoStart(false);
    CHECK(readRunValue().status == ERROR_FILE_NOT_FOUND);
    autostart::setAutoStart(false);
    CHECK(readRunValue().status == ERROR_FILE_NOT_FOUND);
}

TEST_CASE("without the Run key autostart changes nothing and creates no key")
{
    createRunKey();
    // Only a key that holds nothing (the one made above) is taken away for this case.
    DWORD values = 1;
    HKEY key = nullptr;
    RegOpenKeyExW(kMachine, autostart::kRunKey, 0, KEY_READ, &key);
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (values != 0)
        return;
    REQUIRE(RegDeleteKeyW(kMachine, autostart::kRunKey) == ERROR_SUCCESS);
    autostart::setAutoStart(true);
    CHECK_FALSE(runKeyExists());
    createRunKey();
}
