#pragma once

// Set when a program update waits to be installed after the program has shut down.
extern bool updaterPending;
// Set when the updater could not be copied next to the program for lack of rights: it is
// then started from the ready folder, elevated.
extern bool updaterNeedsElevation;

// Puts the updater that came with the program package next to the program; true when it can
// be started.
bool placeUpdater();

// Starts the external updater with "-update" in the application directory; called by main
// after the engine has shut down.
void launchUpdater();
