// Process start-up hardening, called first thing by a program's entry.
#pragma once

namespace platform {

// Makes the system load DLLs only from the system folder, never from the
// program's own folder (a download folder may hold planted DLLs). Does
// nothing where the system has no such setting or no DLLs.
void RestrictDllSearchToSystemFolder();

}  // namespace platform
