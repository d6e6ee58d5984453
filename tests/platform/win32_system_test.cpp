#include "platform/win32/win32_system.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/win32/win32_filesystem.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::Win32System;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(Win32System, ProgramPathNamesThisExecutable) {
  Win32System sys;
  std::string path = sys.ProgramPath();
  EXPECT_EQ(path.size() > 3 ? path.substr(1, 2) : "", ":\\") << path;
  EXPECT_NE(Lower(path).find("win32_system_test.exe"), std::string::npos) << path;
  platform::Win32FileSystem fs;
  EXPECT_TRUE(fs.FileExists(path));
}

TEST(Win32System, SystemDirectoryIsTheWindowsSystemFolder) {
  Win32System sys;
  std::string dir = sys.SystemDirectory();
  EXPECT_EQ(Lower(dir), "c:\\windows\\system32");
  platform::Win32FileSystem fs;
  EXPECT_TRUE(fs.DirectoryExists(dir));
}

TEST(Win32System, StartCommandOfMissingProgramReportsFailure) {
  Win32System sys;
  EXPECT_LE(sys.StartCommand("c:\\no\\such\\program.exe", platform::swShowNormal), 31u);
  EXPECT_LE(sys.StartCommand("\"c:\\no such folder\\tidehub.exe\" /regserver", platform::swHide), 31u);
}

TEST(Win32System, StartCommandRunsTheProgramWithoutWaiting) {
  testsupport::TempDir dir;
  std::string marker = dir.Path();
  std::replace(marker.begin(), marker.end(), '/', '\\');
  marker += "\\started.txt";
  Win32System sys;
  EXPECT_GT(sys.StartCommand("cmd.exe /c echo started> \"" + marker + "\"", platform::swHide), 31u);
  platform::Win32FileSystem fs;
  // The command runs on its own; give it up to ten seconds.
  for (int i = 0; i < 100 && !fs.FileExists(marker); ++i) Sleep(100);
  EXPECT_TRUE(fs.FileExists(marker));
  Sleep(200);  // let cmd.exe close the file before the folder is removed
}

TEST(Win32System, ANamedLockIsHeldByOneObjectUntilItGoes) {
  const std::string name = "VeltoTest.Lock." + std::to_string(GetCurrentProcessId());
  platform::Win32System other;
  {
    platform::Win32System first;
    EXPECT_TRUE(first.ClaimSingleInstance(name));
    EXPECT_TRUE(first.ClaimSingleInstance(name));  // held already
    EXPECT_FALSE(other.ClaimSingleInstance(name));
  }
  EXPECT_TRUE(other.ClaimSingleInstance(name));
}

}  // namespace
