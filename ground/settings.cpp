// The one settings record of the program (see settings.h for who writes and
// reads it when). Knows nothing of where the settings are stored.
#include "ground/settings.h"

AppSettings appSettings;
