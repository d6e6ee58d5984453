// What the logic relies on from any file system, checked against the one of
// the system the tests run on (host file system on Linux, Win32 under Wine),
// so that both behave alike.
#include <gtest/gtest.h>

#include "platform/folder_walk.h"
#include "runtime/exceptions.h"
#include "tests/platform/filesystem_root.h"

namespace {

class FileSystemContract : public ::testing::Test {
 protected:
  testsupport::TempDir Temp;
  testplatform::FileSystemRoot Root = testplatform::MakeFileSystemRoot(Temp);
  platform::IFileSystem& Fs = *Root.Fs;

  void Make(const std::string& Name, const std::string& Bytes) {
    auto f = Fs.OpenFile(Root / Name, fmCreate);
    f->WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  }
};

TEST_F(FileSystemContract, FilesAndFoldersAreToldApart) {
  Make("f.txt", "x");
  ASSERT_TRUE(Fs.CreateDir(Root / "d"));
  EXPECT_TRUE(Fs.FileExists(Root / "f.txt"));
  EXPECT_FALSE(Fs.DirectoryExists(Root / "f.txt"));
  EXPECT_TRUE(Fs.DirectoryExists(Root / "d"));
  EXPECT_FALSE(Fs.FileExists(Root / "d"));
  EXPECT_FALSE(Fs.FileExists(Root / "none"));
  EXPECT_FALSE(Fs.FileExists(""));
  EXPECT_FALSE(Fs.DirectoryExists(""));
  EXPECT_EQ(Fs.FileAge(Root / "d"), -1);
  EXPECT_FALSE(Fs.EraseFile(Root / "d"));  // folders are not erased as files
  EXPECT_TRUE(Fs.DirectoryExists(Root / "d"));
}

TEST_F(FileSystemContract, CreateDirMakesOneLevelAndForceDirectoriesAll) {
  EXPECT_FALSE(Fs.CreateDir(Root / "a\\b"));
  EXPECT_TRUE(Fs.CreateDir(Root / "a"));
  EXPECT_FALSE(Fs.CreateDir(Root / "a"));
  EXPECT_TRUE(Fs.ForceDirectories(Root / "p\\q\\r\\"));
  EXPECT_TRUE(Fs.DirectoryExists(Root / "p\\q\\r"));
  EXPECT_TRUE(Fs.ForceDirectories(Root / "p\\q"));
  Make("file", "");
  EXPECT_FALSE(Fs.ForceDirectories(Root / "file\\sub"));
  EXPECT_FALSE(Fs.RemoveDir(Root / "p"));  // not empty
  EXPECT_TRUE(Fs.RemoveDir(Root / "p\\q\\r"));
  EXPECT_FALSE(Fs.RemoveDir(Root / "p\\q\\r"));
}

TEST_F(FileSystemContract, CreateTruncatesAndShortReadsEndQuietly) {
  Make("f", "0123456789");
  {
    auto f = Fs.OpenFile(Root / "f", fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(f->Size(), 10);
    EXPECT_EQ(f->Seek(4, TSeekOrigin::soBeginning), 4);
    char buf[16];
    EXPECT_EQ(f->Read(buf, 16), 6);
    EXPECT_EQ(std::string(buf, 6), "456789");
    EXPECT_EQ(f->Read(buf, 16), 0);
  }
  Make("f", "ab");
  auto f = Fs.OpenFile(Root / "f", fmOpenReadWrite | fmShareExclusive);
  EXPECT_EQ(f->Size(), 2);
  EXPECT_EQ(f->Seek(0, TSeekOrigin::soEnd), 2);
  f->WriteBuffer("c", 1);
  EXPECT_EQ(f->Size(), 3);
}

TEST_F(FileSystemContract, OpenFailuresNameTheFile) {
  try {
    Fs.OpenFile(Root / "none.txt", fmOpenRead | fmShareDenyNone);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    std::string prefix = "Cannot open file \"" + (Root / "none.txt") + "\". ";
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
    EXPECT_GT(std::string(e.what()).size(), prefix.size());
  }
  try {
    Fs.OpenFile(Root / "no\\dir\\f.txt", fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    std::string prefix = "Cannot create file \"" + (Root / "no\\dir\\f.txt") + "\". ";
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
  }
  EXPECT_THROW(Fs.OpenFile(Root.Dir, fmOpenRead), EFOpenError);
  EXPECT_THROW(Fs.OpenFile(Root.Dir, fmCreate), EFCreateError);
}

TEST_F(FileSystemContract, DosDateTimesRoundTripAndImpossibleOnesAreRefused) {
  const int32_t values[] = {
      0x00210000,                         // 1980-01-01 00:00:00, the first
      0x32C16000,                         // 2005-06-01 12:00:00, summer time
      0x32217BBD,                         // 2005-01-01 15:29:58, winter
      static_cast<int32_t>(0x8C21A5E0u),  // 2050-01-01 20:47:00, negative
  };
  for (int32_t v : values) {
    {
      auto f = Fs.OpenFile(Root / "f", fmCreate);
      EXPECT_TRUE(f->SetDosDateTime(v)) << std::hex << v;
    }
    EXPECT_EQ(Fs.FileAge(Root / "f"), v) << std::hex << v;
  }
  auto f = Fs.OpenFile(Root / "g", fmCreate);
  ASSERT_TRUE(f->SetDosDateTime(0x32C16000));
  for (uint32_t bad : {0x32C00000u, 0x32000000u, 0x33A10000u, 0x325F0000u, 0x32C1C000u, 0x32C10780u, 0x32C1001Eu})
    EXPECT_FALSE(f->SetDosDateTime(static_cast<int32_t>(bad))) << std::hex << bad;
  f.reset();
  EXPECT_EQ(Fs.FileAge(Root / "g"), 0x32C16000);
  EXPECT_EQ(Fs.FileAge(Root / "none"), -1);
}

TEST_F(FileSystemContract, SubFoldersAreSortedIgnoringCaseWithoutFiles) {
  for (const char* name : {"gamma", "Alpha", "beta", "Zeta", "_x"}) ASSERT_TRUE(Fs.CreateDir(Root / name));
  Make("aaa.txt", "");
  EXPECT_EQ(Fs.SubFolders(Root.Dir), (std::vector<std::string>{"_x", "Alpha", "beta", "gamma", "Zeta"}));
  EXPECT_TRUE(Fs.SubFolders(Root / "Alpha").empty());
  EXPECT_TRUE(Fs.SubFolders(Root / "none").empty());
}

TEST_F(FileSystemContract, EraseFileRemovesOnlyExistingFiles) {
  Make("f", "x");
  EXPECT_TRUE(Fs.EraseFile(Root / "f"));
  EXPECT_FALSE(Fs.FileExists(Root / "f"));
  EXPECT_FALSE(Fs.EraseFile(Root / "f"));
}

TEST_F(FileSystemContract, FolderWalkListsFilesSortedAndCountsFoldersWithoutFiles) {
  platform::IFolderWalk& walk = *Root.Walk;
  for (const char* folder : {"w", "w\\b", "w\\b\\c", "w\\e", "w\\e\\f", "w\\g"})
    ASSERT_TRUE(Fs.CreateDir(Root / folder));
  for (const char* file : {"w\\z.txt", "w\\b\\c\\d.txt", "w\\a.txt", "w\\b.txt"}) Make(file, "x");
  EXPECT_TRUE(walk.IsFolder(Root / "w"));
  EXPECT_FALSE(walk.IsFolder(Root / "w\\a.txt"));
  EXPECT_FALSE(walk.IsFolder(Root / "none"));
  platform::TFolderFiles found;
  std::string reason;
  ASSERT_TRUE(walk.FilesBelow(Root / "w", found, reason)) << reason;
  EXPECT_EQ(found.Files, (std::vector<std::string>{"a.txt", "b.txt", "b\\c\\d.txt", "z.txt"}));
  EXPECT_EQ(found.EmptyFolders, 3);  // e, e\f and g
  ASSERT_TRUE(walk.FilesBelow(Root / "w\\g", found, reason));
  EXPECT_TRUE(found.Files.empty());
  EXPECT_EQ(found.EmptyFolders, 1);
  EXPECT_FALSE(walk.FilesBelow(Root / "none", found, reason));
  EXPECT_NE(reason.find("none"), std::string::npos) << reason;
}

}  // namespace
