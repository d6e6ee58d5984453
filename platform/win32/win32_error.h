// Helpers shared by the Win32 implementations (only their .cpp files include
// this header, so <windows.h> stays out of the logic).
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// The system's text for an error code, without the trailing line break and
// full stop handling of FormatMessageA: "The system cannot find the file
// specified." Falls back to "System error N." for unknown codes.
std::string SystemErrorMessage(DWORD Code);

}  // namespace platform
