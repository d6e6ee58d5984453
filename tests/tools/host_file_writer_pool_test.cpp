// The writer threads of an extraction: files made, dated and put in place in
// the order given per folder, failures kept with their reason, nothing left
// under a temporary name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/tools/arc_run_fixture.h"
#include "tools/file_writer_pool.h"

namespace fs = std::filesystem;

namespace {

const int32_t kNoon2005 = (25 << 25) | (6 << 21) | (1 << 16) | (12 << 11);  // 2005-06-01 12:00:00

class WriterPoolTest : public testarc::ArcRunTest {
 protected:
  std::string Component(const std::string& Name) { return Console.ComponentPath(Dir / Name); }
  std::vector<uint8_t> Bytes(const std::string& Text) { return {Text.begin(), Text.end()}; }
  // Writes Text under a temporary name beside Name and puts it in place.
  void WriteAndPlace(arc::TFileWriterPool& Pool, const std::string& Name, const std::string& Text) {
    Pool.Write(Component(Name + ".tmp"), Bytes(Text), kNoon2005);
    Pool.Place(Component(Name + ".tmp"), Component(Name), true);
  }
};

TEST_F(WriterPoolTest, ManyFilesInManyFoldersArrivePlacedAndDated) {
  for (int d = 0; d < 7; ++d) fs::create_directories(Dir / ("d" + std::to_string(d)));
  {
    // A small allowance makes Write wait for room again and again.
    arc::TFileWriterPool pool(Console.Files(), Console, 3, 64);
    for (int i = 0; i < 300; ++i)
      WriteAndPlace(pool, "d" + std::to_string(i % 7) + "/f" + std::to_string(i), std::string(i % 50, 'a' + i % 26));
    pool.Drain();
    EXPECT_EQ(pool.FailedFile(), "");
    EXPECT_TRUE(pool.Problems().empty());
  }
  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(Dir.Path()))
    if (e.is_regular_file()) {
      ++files;
      EXPECT_EQ(e.path().extension(), "") << e.path();
    }
  EXPECT_EQ(files, 300);
  EXPECT_EQ(Get("d5/f201"), std::string(201 % 50, 'a' + 201 % 26));
  struct stat st {};
  ASSERT_EQ(::stat((Dir / "d0/f0").c_str(), &st), 0);
  struct tm local {};
  time_t when = st.st_mtime;
  localtime_r(&when, &local);
  EXPECT_EQ(local.tm_year, 105);
  EXPECT_EQ(local.tm_hour, 12);
}

TEST_F(WriterPoolTest, OneFileWrittenTwiceEndsWithTheLaterBytes) {
  // The jobs of one folder keep their order on every worker count.
  for (int workers : {1, 2, 5}) {
    SCOPED_TRACE(workers);
    arc::TFileWriterPool pool(Console.Files(), Console, workers, 1 << 20);
    for (int round = 0; round < 20; ++round) WriteAndPlace(pool, "same.txt", "round " + std::to_string(round));
    pool.Drain();
    EXPECT_EQ(Get("same.txt"), "round 19");
    EXPECT_FALSE(fs::exists(Dir / "same.txt.tmp"));
  }
}

TEST_F(WriterPoolTest, FailuresKeepTheOldFileAndNameTheReason) {
  Put("old.txt", "old");
  Put("kept.txt", "kept");
  fs::create_directories(Dir / "folder/inside");
  arc::TFileWriterPool pool(Console.Files(), Console, 2, 1 << 20);
  // A temporary file that cannot be made: the old file stays.
  pool.Write(Component("missing/old.tmp"), Bytes("new"), kNoon2005);
  pool.Place(Component("missing/old.tmp"), Component("old.txt"), true);
  // A file not to be kept goes.
  WriteAndPlace(pool, "folder/x", "x");
  pool.Write(Component("kept.tmp"), Bytes("half"), std::nullopt);
  pool.Place(Component("kept.tmp"), Component("kept.txt"), false);
  // A folder (not empty) in the way of the renaming.
  pool.Write(Component("folder.tmp"), Bytes("in the way"), kNoon2005);
  pool.Place(Component("folder.tmp"), Component("folder"), true);
  pool.Drain();
  EXPECT_EQ(pool.FailedFile(), Component("missing/old.tmp"));
  EXPECT_EQ(pool.FailedReason(), "No such file or directory");
  ASSERT_EQ(pool.Problems().size(), 1u);
  EXPECT_EQ(pool.Problems()[0].rfind("cannot replace " + (Dir / "folder") + ": ", 0), 0u) << pool.Problems()[0];
  EXPECT_EQ(Get("old.txt"), "old");
  EXPECT_EQ(Get("kept.txt"), "kept");
  EXPECT_EQ(Get("folder/x"), "x");
  EXPECT_FALSE(fs::exists(Dir / "kept.tmp"));
  EXPECT_FALSE(fs::exists(Dir / "folder.tmp"));
}

TEST_F(WriterPoolTest, ALinkUnderTheTemporaryNameIsReplacedNeverFollowed) {
  Put("outside.txt", "outside");
  fs::create_symlink(Dir / "outside.txt", Dir / "t.tmp");
  arc::TFileWriterPool pool(Console.Files(), Console, 1, 1 << 20);
  WriteAndPlace(pool, "t", "new");
  pool.Drain();
  EXPECT_EQ(pool.FailedFile(), "");
  EXPECT_EQ(Get("outside.txt"), "outside");
  EXPECT_EQ(Get("t"), "new");
}

}  // namespace
