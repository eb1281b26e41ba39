#include "app/cefapplication.h"

// The update check arrives with the update system.
void cefApplication::checkForUpdate(bool manual)
{
    Q_UNUSED(manual)
}
