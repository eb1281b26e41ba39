#pragma once

#include <QString>

// Deletes the program update folder "tupdates/client" under the work directory, whatever
// package failed: a broken program update must never be handed to the updater.
void clearClientUpdates();

// Deletes a folder with everything in it; a missing folder is no error.
void deleteFolder(const QString& path);
