// Writing and restoring archives on the file system of the system the test
// runs on (the Win32 one under Wine, the host one on Linux): long files go
// through the compression and decompression threads, volume files through
// reopening a restored file to append to it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/backup.h"
#include "runtime/exceptions.h"
#include "tests/archive/archive_builder.h"
#include "tests/platform/filesystem_root.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace {

using testarchive::PatternBytes;

class SystemRoundTripTest : public ::testing::Test {
 protected:
  SystemRoundTripTest() : Root(testplatform::MakeFileSystemRoot(Temp)), Files(*Root.Fs) {}

  void Put(const std::string& Path, const std::string& Bytes) {
    auto f = Files.OpenFile(Path, fmCreate);
    f->WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  }
  std::string Get(const std::string& Path) {
    auto f = Files.OpenFile(Path, fmOpenRead | fmShareDenyNone);
    std::string bytes(static_cast<size_t>(f->Size()), '\0');
    if (!bytes.empty()) f->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  }
  std::unique_ptr<TBackupFile> Component() { return std::make_unique<TBackupFile>(nullptr, Files, Dialogs); }

  // A long file of compressible and incompressible stretches (so both
  // compressed blocks and zlib streams of stored deflate blocks), a short
  // one and an empty one.
  std::vector<TBackupFile::TSourceFile> MakeSources() {
    Long = PatternBytes(150000, 1) + PatternBytes(70000, 2, false) + PatternBytes(90001, 3);
    Put(Root / "long.bin", Long);
    Put(Root / "short.txt", "short");
    Put(Root / "empty.txt", "");
    return {{Root / "long.bin", "c:\\rel\\long.bin"},
            {Root / "short.txt", "c:\\rel\\short.txt"},
            {Root / "empty.txt", "c:\\rel\\empty.txt"}};
  }
  void ExpectRestored(const std::string& Dir) {
    EXPECT_TRUE(Get(Dir + "\\long.bin") == Long);
    EXPECT_EQ(Get(Dir + "\\short.txt"), "short");
    EXPECT_EQ(Get(Dir + "\\empty.txt"), "");
  }

  testsupport::TempDir Temp;
  testplatform::FileSystemRoot Root;
  platform::IFileSystem& Files;
  testsupport::FakeDialogs Dialogs;
  std::string Long;
};

TEST_F(SystemRoundTripTest, LongFilesRoundTripWithEveryThreadCount) {
  auto sources = MakeSources();
  std::string first;
  for (int threads : {1, 2, 3}) {
    auto backup = Component();
    backup->CompressionThreads = threads;
    std::string archive = Root / ("t" + std::to_string(threads) + ".arc");
    ASSERT_TRUE(backup->Backup(archive, sources)) << threads;
    if (first.empty())
      first = Get(archive);
    else
      EXPECT_TRUE(Get(archive) == first) << threads;  // the same bytes for any thread count

    auto restore = Component();
    restore->DecompressionThreads = threads;
    std::string out = Root / ("out" + std::to_string(threads));
    ASSERT_TRUE(restore->Restore(archive, out)) << threads;
    EXPECT_EQ(restore->RestoredCount(), 3);
    ExpectRestored(out);
  }
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(SystemRoundTripTest, VolumesAndTheCallersStreamRestoreTheSameFiles) {
  auto sources = MakeSources();
  auto backup = Component();
  backup->MaxSize = 60000;  // the long file spans several volumes
  int volumes = 1;
  backup->OnNeedDisk = [&](TObject*, uint16_t, bool&) { ++volumes; };
  ASSERT_TRUE(backup->Backup(Root / "v.arc", sources));
  EXPECT_GE(volumes, 3);
  EXPECT_TRUE(Files.FileExists(Root / "v.002"));

  auto restore = Component();
  int asked = 0;
  restore->OnNeedDisk = [&](TObject*, uint16_t, bool&) { ++asked; };
  ASSERT_TRUE(restore->Restore(Root / "v.arc", Root / "vout"));
  EXPECT_EQ(asked, volumes - 1);
  ExpectRestored(Root / "vout");

  // A single-volume archive read from an open stream, as the installer does.
  ASSERT_TRUE(Component()->Backup(Root / "s.arc", sources));
  auto stream = Files.OpenFile(Root / "s.arc", fmOpenRead | fmShareDenyNone);
  auto fromStream = Component();
  ASSERT_TRUE(fromStream->RestoreFromStream(stream.get(), Root / "sout"));
  ExpectRestored(Root / "sout");
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

}  // namespace
