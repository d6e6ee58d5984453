// The installer program's body, shared by the Windows entry and the tests:
// initialise the application, create the wizard window as its main window,
// run the message loop until the window is gone.
#pragma once

#include "app/services.h"

// Caption of the application's message boxes.
inline constexpr const char* kApplicationTitle = "Velto2005";

// Runs the installer with Services. An exception that escapes (the installer
// record's "Invalid data type" while the window is made, for one) is shown
// in the application's error box. Returns the exit code: always 0.
int RunInstaller(const TServices& Services);
