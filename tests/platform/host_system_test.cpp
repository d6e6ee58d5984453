#include "platform/host/host_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/host/host_filesystem.h"

namespace {

using platform::HostSystem;

TEST(HostSystem, ProgramPathIsTheRunningExecutableOnDriveZ) {
  HostSystem sys;
  std::string path = sys.ProgramPath();
  ASSERT_EQ(path.rfind("Z:\\", 0), 0u) << path;
  EXPECT_EQ(path.find('/'), std::string::npos);
  EXPECT_NE(path.find("host_system_test"), std::string::npos) << path;
  // It names this very file.
  platform::HostFileSystem fs("/nonexistent-root");
  EXPECT_TRUE(fs.FileExists(path));
}

TEST(HostSystem, SystemDirectoryIsOnDriveC) {
  HostSystem sys;
  EXPECT_EQ(sys.SystemDirectory(), "c:\\windows\\system32");
  EXPECT_EQ(platform::HostFileSystem("/r").NativePath(sys.SystemDirectory()), "/r/c/windows/system32");
}

TEST(HostSystem, StartCommandRecordsEachCallInOrderAndReportsStarted) {
  HostSystem sys;
  EXPECT_GT(sys.StartCommand("\"c:\\programmi\\brovik\\agent\\tidehub.exe\" /regserver", platform::swShowNormal), 31u);
  EXPECT_EQ(sys.StartCommand("notepad.exe", platform::swHide), 33u);
  ASSERT_EQ(sys.Started().size(), 2u);
  EXPECT_EQ(sys.Started()[0].CommandLine, "\"c:\\programmi\\brovik\\agent\\tidehub.exe\" /regserver");
  EXPECT_EQ(sys.Started()[0].ShowState, platform::swShowNormal);
  EXPECT_EQ(sys.Started()[1].CommandLine, "notepad.exe");
  EXPECT_EQ(sys.Started()[1].ShowState, platform::swHide);
  sys.SetStartResult(2);  // "file not found"
  EXPECT_EQ(sys.StartCommand("missing.exe", platform::swShowNormal), 2u);
  EXPECT_EQ(sys.Started().size(), 3u);
}

}  // namespace
