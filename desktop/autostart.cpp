#include "desktop/autostart.h"

namespace autostart {
namespace {

// One argument of an Exec line: quoted, with the characters that are special inside quotes
// escaped, then escaped once more as a desktop-entry string value.
std::string execArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';

    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\': value += "\\\\"; break;
        case '\n': value += "\\n"; break;
        case '\r': value += "\\r"; break;
        case '\t': value += "\\t"; break;
        case '%': value += "%%"; break;
        default: value += c;
        }
    }
    return value;
}

} // namespace

std::string entryText(const std::string& appDir)
{
    std::string program = appDir;
    if (program.empty() || program.back() != '/')
        program += '/';
    program += "vesk";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Brimlock Driver\n"
           "Exec=" +
           execArgument(program) +
           " -autostart\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string entryPath(const char* xdgConfigHome, const char* home)
{
    std::string configHome;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        configHome = xdgConfigHome;
    else if (home && home[0] == '/')
        configHome = std::string(home) + "/.config";
    else
        return std::string();
    return configHome + "/autostart/lumora.desktop";
}

} // namespace autostart
