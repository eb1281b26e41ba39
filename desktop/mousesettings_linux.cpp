#include "desktop/mousesettings.h"

#include <X11/Xlib.h>
#include <gio/gio.h>
#include <glib.h>

#include <cstdlib>
#include <cstring>

// Where each setting lives on a Linux desktop:
// - pointer speed: the X server's pointer acceleration, and GNOME's
//   org.gnome.desktop.peripherals.mouse "speed" when that schema is installed;
// - double-click time: GNOME's org.gnome.desktop.peripherals.mouse "double-click";
// - wheel scroll lines: KDE's [KDE] WheelScrollLines in kdeglobals, on a KDE desktop.
// A setting is accepted when at least one of its places took it.
namespace mousesettings {
namespace {

const char kMouseSchema[] = "org.gnome.desktop.peripherals.mouse";

// Writes one key of an installed schema; false when the schema or key is missing, the value
// is out of the key's range, or the key is not writable. Takes ownership of `value`.
bool setGnomeValue(const char* schemaId, const char* keyName, GVariant* value)
{
    g_variant_ref_sink(value);
    bool written = false;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (schema && g_settings_schema_has_key(schema, keyName)) {
        GSettingsSchemaKey* key = g_settings_schema_get_key(schema, keyName);
        if (g_variant_is_of_type(value, g_settings_schema_key_get_value_type(key)) &&
            g_settings_schema_key_range_check(key, value)) {
            GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
            written = g_settings_set_value(settings, keyName, value);
            g_settings_sync();
            g_object_unref(settings);
        }
        g_settings_schema_key_unref(key);
    }
    if (schema)
        g_settings_schema_unref(schema);
    g_variant_unref(value);
    return written;
}

bool setXPointerAcceleration(const PointerAcceleration& acceleration)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XChangePointerControl(display, True, True, acceleration.numerator, acceleration.denominator,
                          acceleration.threshold);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

bool onKdeDesktop()
{
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (!desktops)
        return false;
    gchar** names = g_strsplit(desktops, ":", -1);
    bool kde = false;
    for (gchar** name = names; *name; ++name)
        kde = kde || std::strcmp(*name, "KDE") == 0;
    g_strfreev(names);
    return kde;
}

// Sets [KDE] `key` in the user's kdeglobals, keeping everything else in the file. A file that
// does not parse is left alone.
bool setKdeGlobal(const char* key, int value)
{
    gchar* path = g_build_filename(g_get_user_config_dir(), "kdeglobals", nullptr);
    GKeyFile* file = g_key_file_new();
    GError* error = nullptr;
    bool readable = g_key_file_load_from_file(
        file, path, GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS), &error);
    if (!readable && g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT))
        readable = true;
    g_clear_error(&error);
    bool written = false;
    if (readable && g_mkdir_with_parents(g_get_user_config_dir(), 0700) == 0) {
        g_key_file_set_integer(file, "KDE", key, value);
        written = g_key_file_save_to_file(file, path, nullptr);
    }
    g_key_file_free(file);
    g_free(path);
    return written;
}

} // namespace

bool setPointerSpeed(int speed)
{
    if (!isPointerSpeed(speed))
        return false;
    const bool x = setXPointerAcceleration(pointerAcceleration(speed));
    const bool gnome = setGnomeValue(kMouseSchema, "speed", g_variant_new_double(gnomePointerSpeed(speed)));
    return x || gnome;
}

bool setWheelScrollLines(int lines)
{
    // Neither KDE nor Qt has a meaning for a negative count.
    if (lines < 0 || !onKdeDesktop())
        return false;
    return setKdeGlobal("WheelScrollLines", lines);
}

bool setDoubleClickTime(int milliseconds)
{
    return setGnomeValue(kMouseSchema, "double-click", g_variant_new_int32(milliseconds));
}

} // namespace mousesettings
