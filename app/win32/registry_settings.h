// The settings' and recent files' store in the current user's registry, key
// "Software\Bramwick\Vexa". Moves bytes only; what they mean is decided in
// app/view/settings_block and app/view/recent_files. Failures are logged.
#pragma once

#include "app/view/recent_files.h"
#include "ground/settings.h"

// Both return 0, or -1 after logging what failed. LoadSettings keeps in
// settings what was read before a failure (the start values otherwise).
int LoadSettings(AppSettings& settings);
int SaveSettings(const AppSettings& settings);

// "RecentFiles": the value's bytes in and out.
int ReadRecentFilesValue(RecentFiles& files);
int WriteRecentFilesValue(const RecentFiles& files);
