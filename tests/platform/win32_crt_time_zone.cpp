// Linked into every Windows test program. Wine takes its time zone from the
// Unix-style TZ variable (TZ=Europe/Rome), and passes TZ on into the Windows
// environment, where the C runtime would read it in its own format ("CET-1")
// and get it wrong: localtime() an hour off the system's local time. Before
// main, this takes TZ out of the C runtime's copy of the environment, so the
// runtime follows the system time zone (which Wine took from TZ), and keeps
// it in the process environment, so child processes get the same zone.
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

struct CrtTimeZoneFromSystem {
  CrtTimeZoneFromSystem() {
    const char* tz = std::getenv("TZ");
    if (!tz) return;
    std::string keep = tz;
    _putenv("TZ=");
    SetEnvironmentVariableA("TZ", keep.c_str());
    _tzset();
  }
} gCrtTimeZoneFromSystem;

}  // namespace
