// The installer program's body, shared by the Windows entry and the tests:
// initialise the application, create the wizard window as its main window,
// run the message loop until the window is gone.
#pragma once

#include "app/services.h"

// Caption of the application's message boxes.
inline constexpr const char* kApplicationTitle = "Velto2005";

// The system-wide name that one running installer holds.
inline constexpr const char* kInstallerMutexName = "Brovik.Velto2005.Installazione";
// What a second installer started meanwhile says before it ends.
inline constexpr const char* kAlreadyRunningMessage =
    "L'installazione di Velto2005 è già in corso. Attendere che sia terminata prima di avviarla di nuovo.";

// Runs the installer with Services. When another installer holds
// kInstallerMutexName, shows kAlreadyRunningMessage and returns at once. An exception that escapes (the installer
// record's "Invalid data type" while the window is made, for one) is shown
// in the application's error box. Returns the exit code: always 0.
int RunInstaller(const TServices& Services);
