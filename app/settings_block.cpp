// The settings record and the layout of its stored "Options" block: how the
// bytes read from the store become synthType and midiChannel, and how the
// block to write back is built. Portable: knows nothing of the registry.
#include "app/settings.h"

AppSettings appSettings;
