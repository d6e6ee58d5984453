// Stands for the product's server in an end-to-end test's payload: each start
// appends its command line to C:\velto-regserver.log, so that the test can
// count the registrations the installer started and see their folders.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  FILE* log = std::fopen("c:\\velto-regserver.log", "a");
  if (!log) return 1;
  std::fprintf(log, "%s\n", GetCommandLineA());
  std::fclose(log);
  return 0;
}
