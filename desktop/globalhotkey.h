#pragma once

#include <cstdint>
#include <memory>

// The system-wide hotkey service of the desktop, one backend per platform. Used on the GUI
// thread only.
namespace globalhotkey {

// A key combination: as Qt names it, and as the shortcut table identifies it (the Windows
// virtual-key code and hotkey flags).
struct Combination {
    uint32_t qtKey;
    uint32_t qtModifiers;
    uint32_t virtualKey;
    uint32_t flags;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Takes the combination system-wide; false when the system refuses it (another client
    // holds it, the key has no name on this system, or there is no desktop).
    virtual bool registerHotKey(const Combination& combination) = 0;
    virtual bool unregisterHotKey(const Combination& combination) = 0;
    // When `message`, a native event of type `eventType`, is a press of a registered
    // combination: true with that combination's virtual key and flags.
    virtual bool pressedHotKey(const char* eventType, void* message, uint32_t* virtualKey, uint32_t* flags) = 0;
};

// The backend of the running desktop; created on first use.
Backend& backend();

} // namespace globalhotkey
