#include "update/updaterhandoff.h"

bool updaterPending = false;

// The hand-off arrives with the update dialog.
void launchUpdater() {}
