#pragma once

// Set when a program update waits to be installed after the program has shut down.
extern bool updaterPending;

// Starts the external updater; called by main after the engine has shut down.
void launchUpdater();
