#pragma once

#include <string>

// Starting the program with the user's session, hidden in the tray ("-autostart").
namespace autostart {

// Writes the user's autostart entry for this program, or removes it. Failures are silent:
// autostart then stays as it was.
void setAutoStart(bool enable);

// The freedesktop autostart entry that starts `<appDir>/vesk -autostart`.
std::string entryText(const std::string& appDir);

// Where the entry lives: `$XDG_CONFIG_HOME/autostart/lumora.desktop`, with `$HOME/.config`
// when XDG_CONFIG_HOME is unset or relative. Empty when neither is usable.
std::string entryPath(const char* xdgConfigHome, const char* home);

} // namespace autostart
