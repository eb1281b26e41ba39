#pragma once

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace hxsim {

// Where the simulated mice keep their memory and where the running library listens for the
// control tool: HXSIM_STATE_DIR, else $XDG_STATE_HOME/hxsim, else ~/.local/state/hxsim.
inline std::string stateDir()
{
    if (const char* dir = std::getenv("HXSIM_STATE_DIR"); dir && *dir)
        return dir;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg)
        return std::string(xdg) + "/hxsim";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/state/hxsim";
    return "/tmp/hxsim-" + std::to_string(getuid());
}

inline std::string controlSocketPath(const std::string& dir)
{
    return dir + "/hxsim.sock";
}

} // namespace hxsim
