// Help > Help Topics (F1): shows the user guide in the user's web browser.
#pragma once

#include <windows.h>

void ShowHelpTopics(HWND window);
