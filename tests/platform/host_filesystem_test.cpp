#include "platform/host/host_filesystem.h"

#include <gtest/gtest.h>

#include "platform/dostime.h"
#include "runtime/exceptions.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::HostFileSystem;

TEST(HostFileSystem, MapsDrivesUnderTheRootAndDriveZOntoTheHostRoot) {
  HostFileSystem fs("/r");
  EXPECT_EQ(fs.NativePath("c:\\programmi\\brovik\\agent"), "/r/c/programmi/brovik/agent");
  EXPECT_EQ(fs.NativePath("D:\\x"), "/r/d/x");
  EXPECT_EQ(fs.NativePath("Z:\\home\\u\\a.txt"), "/home/u/a.txt");
  EXPECT_EQ(fs.NativePath("\\windows"), "/r/c/windows");
  EXPECT_EQ(fs.NativePath("sub\\a.txt"), "sub/a.txt");
  EXPECT_EQ(HostFileSystem::WindowsPathOf("/home/u/a.txt"), "Z:\\home\\u\\a.txt");
}

TEST(HostFileSystem, FoldersFilesAndDatesRoundTrip) {
  setenv("TZ", "Europe/Rome", 1);
  testsupport::TempDir dir;
  HostFileSystem fs(dir.Path());
  EXPECT_TRUE(fs.ForceDirectories("c:\\a\\b\\c"));
  EXPECT_TRUE(fs.DirectoryExists("c:\\a\\b"));
  EXPECT_FALSE(fs.FileExists("c:\\a\\b"));  // a folder is not a file
  EXPECT_EQ(fs.FileAge("c:\\a\\b"), -1);
  EXPECT_FALSE(fs.CreateDir("c:\\x\\y"));  // one level only
  EXPECT_TRUE(fs.CreateDir("c:\\x"));
  {
    auto f = fs.OpenFile("c:\\a\\b\\c\\f.txt", fmCreate);
    f->WriteBuffer("hello", 5);
    EXPECT_TRUE(f->SetDosDateTime(0x32C16000));   // 2005-06-01 12:00:00
    EXPECT_FALSE(f->SetDosDateTime(0x32C00000));  // day 0: not a date
  }
  EXPECT_EQ(fs.FileAge("c:\\a\\b\\c\\f.txt"), 0x32C16000);
  EXPECT_EQ(testsupport::ReadFile(dir / "c/a/b/c/f.txt"), "hello");
  EXPECT_EQ(fs.SubFolders("c:\\"), (std::vector<std::string>{"a", "x"}));
  EXPECT_THROW(fs.OpenFile("c:\\missing.txt", fmOpenRead | fmShareDenyNone), EFOpenError);
  EXPECT_THROW(fs.OpenFile("c:\\a", fmCreate), EFCreateError);
  EXPECT_TRUE(fs.EraseFile("c:\\a\\b\\c\\f.txt"));
  EXPECT_FALSE(fs.EraseFile("c:\\a\\b\\c\\f.txt"));
  EXPECT_TRUE(fs.RemoveDir("c:\\a\\b\\c"));
}

TEST(DosTime, PacksTheDocumentedExampleAndRejectsImpossibleDates) {
  EXPECT_EQ(platform::PackDosDateTime({2005, 6, 1, 12, 0, 0}), 851533824);
  platform::DosDateTimeParts p;
  ASSERT_TRUE(platform::UnpackDosDateTime(0x32D28ED1, p));  // 2005-06-18 17:54:34
  EXPECT_EQ(p.Year, 2005);
  EXPECT_EQ(p.Day, 18);
  EXPECT_EQ(p.Second, 34);
  EXPECT_FALSE(platform::UnpackDosDateTime(0x329F0000, p));  // 31 April
  EXPECT_FALSE(platform::UnpackDosDateTime(0, p));           // month 0
  // From 2044 on the top bit is set: a negative int32 that is still a date.
  int32_t y2044 = platform::PackDosDateTime({2044, 1, 1, 0, 0, 0});
  EXPECT_LT(y2044, 0);
  ASSERT_TRUE(platform::UnpackDosDateTime(y2044, p));
  EXPECT_EQ(p.Year, 2044);
}

}  // namespace
