#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/startup.h"

namespace {

// velto_probe.dll lies beside this program (the build puts it there).
TEST(Win32Startup, DllsBesideTheProgramAreNoLongerLoadedByName) {
  platform::RestrictDllSearchToSystemFolder();
  SetLastError(0);
  HMODULE byName = LoadLibraryA("velto_probe.dll");
  EXPECT_EQ(byName, nullptr);
  if (byName) FreeLibrary(byName);
  // The DLL is there and loadable when its folder is asked for explicitly,
  // so the refusal above came from the restricted search.
  HMODULE fromAppDir = LoadLibraryExA("velto_probe.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  ASSERT_NE(fromAppDir, nullptr);
  using ProbeFn = int (*)();
  auto probe = reinterpret_cast<ProbeFn>(reinterpret_cast<void*>(GetProcAddress(fromAppDir, "VeltoProbe")));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe(), 42);
  FreeLibrary(fromAppDir);
  // System DLLs still load by name.
  HMODULE system = LoadLibraryA("version.dll");
  EXPECT_NE(system, nullptr);
  if (system) FreeLibrary(system);
}

}  // namespace
