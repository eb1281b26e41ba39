#include "desktop/globalhotkey.h"

#include <windows.h>

#include <cstring>

namespace globalhotkey {
namespace {

// Hotkeys are registered for the calling thread, with no window: the system posts WM_HOTKEY
// to the GUI thread's queue, and Qt shows such thread messages only to its dispatcher's
// filters, as "windows_dispatcher_MSG".
class WinBackend : public Backend {
public:
    bool registerHotKey(const Combination& combination) override
    {
        return RegisterHotKey(nullptr, id(combination), combination.flags, combination.virtualKey) != FALSE;
    }

    bool unregisterHotKey(const Combination& combination) override
    {
        return UnregisterHotKey(nullptr, id(combination)) != FALSE;
    }

    bool pressedHotKey(const char* eventType, void* message, uint32_t* virtualKey, uint32_t* flags) override
    {
        if (std::strcmp(eventType, "windows_dispatcher_MSG") != 0)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_HOTKEY)
            return false;
        *virtualKey = HIWORD(msg->lParam);
        *flags = LOWORD(msg->lParam);
        return true;
    }

private:
    static int id(const Combination& combination)
    {
        return static_cast<int>(combination.flags ^ combination.virtualKey);
    }
};

} // namespace

Backend& backend()
{
    static WinBackend instance;
    return instance;
}

} // namespace globalhotkey
