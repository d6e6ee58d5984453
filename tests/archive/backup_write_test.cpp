// The writing side of TBackupFile, checked against an independent writer and
// reader (tests/archive/write_reference.py, on Python's zlib).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>

#include "archive/backup.h"
#include "archive/format.h"
#include "archive/volume_writer.h"
#include "platform/dostime.h"
#include "platform/host/host_filesystem.h"
#include "runtime/exceptions.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr long kEpoch = 1118937600;  // 2005-06-16 18:00:00 in Rome

std::string Quote(const std::string& S) {
  std::string q = "'";
  for (char c : S) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the reference script; returns its exit status and its output.
int RunReference(const std::string& Args, std::string& Output) {
  const char* src = std::getenv("VELTO_SOURCE_DIR");
  std::string cmd = "python3 " + Quote(std::string(src ? src : ".") + "/tests/archive/write_reference.py") + " " + Args;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  Output.clear();
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) Output.append(buf, n);
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RandomBytes(size_t Size, uint32_t Seed) {
  std::mt19937 rng(Seed);
  std::string s(Size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string TextBytes(size_t Size, uint32_t Seed) {
  static const char* words[] = {"Velto ", "Brovik ", "ricerca ", "desktop ", "archivio ", "città ", "\r\n", "indice "};
  std::mt19937 rng(Seed);
  std::string s;
  while (s.size() < Size) s += words[rng() % 8];
  s.resize(Size);
  return s;
}

// A file with a fixed last-write time (2005-06-01 12:00:00 local + Offset s).
void MakeSource(const std::string& Path, const std::string& Bytes, long Offset = 0) {
  WriteFile(Path, Bytes);
  struct utimbuf t {
    1117620000 + Offset, 1117620000 + Offset
  };
  utime(Path.c_str(), &t);
}

std::string Win(const std::string& HostPath) { return platform::HostFileSystem::WindowsPathOf(HostPath); }

// A host file system whose OpenFile can be made to fail for chosen paths.
class FailingFileSystem : public platform::HostFileSystem {
 public:
  using HostFileSystem::HostFileSystem;
  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override {
    if (FailCreate.count(Path) && Mode == fmCreate) throw EFCreateError("Cannot create file \"" + Path + "\". Denied");
    return HostFileSystem::OpenFile(Path, Mode);
  }
  std::set<std::string> FailCreate;
};

class BackupWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SOURCE_DATE_EPOCH", std::to_string(kEpoch).c_str(), 1); }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

  // Backs Sources (host path, stored name) up into Archive (host path).
  bool Write(const std::string& Archive, const std::vector<std::pair<std::string, std::string>>& Sources) {
    std::vector<TBackupFile::TSourceFile> files;
    for (auto& [src, name] : Sources) files.push_back({Win(src), name});
    return Backup.Backup(Win(Archive), files);
  }
  // The archive the reference writer makes of the same sources.
  std::string Expected(const std::vector<std::pair<std::string, std::string>>& Sources, int ZlibLevel) {
    std::string args = Quote(Dir / "expected") + " " + Quote(Backup.BackupTitle) + " " + std::to_string(ZlibLevel) +
                       " " + std::to_string(kEpoch);
    for (auto& [src, name] : Sources) args += " " + Quote(src) + " " + Quote(name);
    std::string out;
    EXPECT_EQ(RunReference("expect " + args, out), 0) << out;
    return ReadFile(Dir / "expected");
  }
  // Checks and unpacks a volume set with the reference reader; returns its
  // listing (or "" after a failed check, which is also a test failure).
  std::string Check(const std::string& Archive, int64_t MaxSize, const std::string& OutDir) {
    std::string out;
    int rc = RunReference("check " + Quote(Archive) + " " + std::to_string(MaxSize) + " " + Quote(OutDir), out);
    EXPECT_EQ(rc, 0) << out;
    return rc == 0 ? out : "";
  }

  TempDir Dir;
  FailingFileSystem Files{Dir / "drives"};
  testsupport::FakeDialogs Dialogs;
  TBackupFile Backup{nullptr, Files, Dialogs};
  std::vector<int32_t> Errors;

  void CatchErrors() {
    Backup.OnError = [this](TObject*, const int32_t Code, const std::string&) { Errors.push_back(Code); };
  }
};

TEST_F(BackupWriteTest, Level1BlocksAndFileListEqualIndependentZlibAtEdgeSizes) {
  std::vector<std::pair<std::string, std::string>> sources;
  uint32_t seed = 1;
  for (size_t size : {0u, 1u, 16383u, 16384u, 16385u, 70000u}) {
    std::string r = Dir / ("random" + std::to_string(size)), t = Dir / ("text" + std::to_string(size));
    MakeSource(r, RandomBytes(size, seed++), long(size));
    MakeSource(t, TextBytes(size, seed++), 2 * long(size));
    sources.push_back({r, "c:\\release\\random" + std::to_string(size) + ".bin"});
    sources.push_back({t, "c:\\release\\città\\text" + std::to_string(size) + ".txt"});
  }
  Backup.BackupTitle = "2005 1.0.0.0";
  Backup.CompressionThreads = 1;
  ASSERT_TRUE(Write(Dir / "a.arc", sources));
  std::string archive = ReadFile(Dir / "a.arc");
  EXPECT_TRUE(archive == Expected(sources, 1)) << "archive differs from the reference writer's";
  EXPECT_EQ(Backup.FileCount(), 12);

  // The file list, spelled out: name TAB dosdatetime=size CR LF.
  std::string line =
      "c:\\release\\random16385.bin\t" + std::to_string(platform::DosFromUnixTime(1117620000 + 16385)) + "=16385\r\n";
  std::string listing = Check(Dir / "a.arc", 0, Dir / "out");
  EXPECT_NE(ReadFile(Dir / "out/0").find(line), std::string::npos);
  EXPECT_NE(listing.find("FILE:LIST\t" + std::to_string(platform::DosFromUnixTime(kEpoch))), std::string::npos);
}

TEST_F(BackupWriteTest, FileOf16385BytesGivesTwoBlocksTheSecondHoldingOneByte) {
  MakeSource(Dir / "f", TextBytes(16385, 7));
  ASSERT_TRUE(Write(Dir / "a.arc", {{Dir / "f", "c:\\f.txt"}}));
  std::string a = ReadFile(Dir / "a.arc");
  // The last entry's data section ends: block(1 byte stored or packed), 0, end marker 0.
  size_t name = a.rfind("c:\\f.txt");
  ASSERT_NE(name, std::string::npos);
  size_t p = name + 8 + 4 + 4;  // name, date/time, signature
  int blocks = 0;
  std::vector<int32_t> lengths;
  for (;;) {
    int32_t len = static_cast<int32_t>(archive::LoadLE32(reinterpret_cast<const unsigned char*>(a.data() + p)));
    p += 4;
    if (len == 0) break;
    lengths.push_back(len);
    p += size_t(std::abs(len));
    ++blocks;
  }
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(p + 4, a.size());
  ASSERT_EQ(lengths.size(), 2u);
  EXPECT_TRUE(lengths[1] == -1 || lengths[1] > 0);
}

TEST_F(BackupWriteTest, EveryLevelAndThreadCountGivesTheReferenceBytes) {
  std::vector<std::pair<std::string, std::string>> sources;
  MakeSource(Dir / "text", TextBytes(200000, 3));
  MakeSource(Dir / "random", RandomBytes(50000, 4));
  MakeSource(Dir / "empty", "");
  sources = {{Dir / "text", "c:\\a\\text.txt"}, {Dir / "empty", "c:\\a\\empty"}, {Dir / "random", "d:\\b\\random.bin"}};
  const std::pair<TCompressionLevel, int> levels[] = {{clFastest, 1}, {clcNone, 0}, {clcDefault, 6}, {clMax, 9}};
  for (auto [level, zlibLevel] : levels) {
    std::string expected = Expected(sources, zlibLevel);
    for (int threads : {1, 2, 5}) {
      Backup.CompressionLevel = level;
      Backup.CompressionThreads = threads;
      ASSERT_TRUE(Write(Dir / "a.arc", sources));
      EXPECT_TRUE(ReadFile(Dir / "a.arc") == expected) << "level " << zlibLevel << ", threads " << threads;
    }
  }
}

// The block lengths of the data section that follows the entry named Name.
std::vector<int32_t> BlockLengthsOf(const std::string& Archive, const std::string& Name) {
  std::vector<int32_t> lengths;
  size_t p = Archive.rfind(Name);
  if (p == std::string::npos) return lengths;
  p += Name.size() + 4 + 4;  // name, date/time, signature
  while (p + 4 <= Archive.size()) {
    int32_t len = static_cast<int32_t>(archive::LoadLE32(reinterpret_cast<const unsigned char*>(Archive.data() + p)));
    p += 4;
    if (len == 0) break;
    lengths.push_back(len);
    p += size_t(std::abs(len));
  }
  return lengths;
}

TEST_F(BackupWriteTest, IncompressibleFileIsCheckedAtEveryCompressingLevelAndStoredOnlyAtNone) {
  // 100 KB of random bytes: six full pieces and a short one.
  const std::string random = RandomBytes(100000, 9);
  MakeSource(Dir / "random", random);
  const struct {
    TCompressionLevel Level;
    bool Stored;
  } cases[] = {{clFastest, false}, {clcDefault, false}, {clMax, false}, {clcNone, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Level));
    Backup.CompressionLevel = c.Level;
    Backup.CompressionThreads = 3;
    ASSERT_TRUE(Write(Dir / "a.arc", {{Dir / "random", "c:\\r.bin"}}));
    std::vector<int32_t> lengths = BlockLengthsOf(ReadFile(Dir / "a.arc"), "c:\\r.bin");
    ASSERT_FALSE(lengths.empty());
    for (int32_t len : lengths) {
      EXPECT_EQ(len < 0, c.Stored) << len;
      EXPECT_LE(std::abs(len), archive::kMaxBlockSize);
    }
    // A full piece does not fit one stored zlib stream: two per piece, and
    // one for the short last piece.
    EXPECT_EQ(lengths.size(), c.Stored ? 7u : 13u);
    // The independent reader checks every Adler-32 and gets the bytes back.
    Check(Dir / "a.arc", 0, Dir / "out");
    EXPECT_TRUE(ReadFile(Dir / "out/1") == random);
  }
}

TEST_F(BackupWriteTest, HeaderTotalsCountEveryEntryAndTheList) {
  MakeSource(Dir / "x", TextBytes(1000, 1));
  MakeSource(Dir / "y", TextBytes(30000, 2));
  ASSERT_TRUE(Write(Dir / "a.arc", {{Dir / "x", "c:\\x"}, {Dir / "y", "c:\\y"}}));
  std::string a = ReadFile(Dir / "a.arc");
  const auto* p = reinterpret_cast<const unsigned char*>(a.data());
  int32_t listSize =
      int32_t(("c:\\x\t" + std::to_string(platform::DosFromUnixTime(1117620000)) + "=1000\r\n").size() * 2 + 1);
  EXPECT_EQ(int32_t(archive::LoadLE32(p + 4)), 31000 + listSize);
  EXPECT_EQ(int32_t(archive::LoadLE32(p + 8)), 2);
  EXPECT_EQ(Backup.TotalSize(), 31000 + listSize);
}

TEST_F(BackupWriteTest, VolumeSetsOfManySizesHoldTheSameFiles) {
  std::vector<std::pair<std::string, std::string>> sources;
  MakeSource(Dir / "a", RandomBytes(40000, 11));
  MakeSource(Dir / "b", "");
  MakeSource(Dir / "c", TextBytes(90000, 12));
  MakeSource(Dir / "d", RandomBytes(16384, 13));
  sources = {
      {Dir / "a", "c:\\v\\a.bin"}, {Dir / "b", "c:\\v\\b"}, {Dir / "c", "c:\\v\\c.txt"}, {Dir / "d", "c:\\v\\d"}};
  int64_t min = archive::MinVolumeSize(0, 10);
  std::set<int> volumeCounts;
  for (int64_t size : {min, min + 1, min + 7, min + 100, min + 4000, int64_t(30000), int64_t(45000), int64_t(60000),
                       int64_t(100000), int64_t(1000000)}) {
    SCOPED_TRACE(size);
    std::vector<int> asked;
    Backup.MaxSize = int32_t(size);
    Backup.CompressionThreads = 3;
    Backup.OnNeedDisk = [&](TObject*, uint16_t Disk, bool& Continue) {
      asked.push_back(Disk);
      EXPECT_TRUE(Continue);
    };
    TempDir out;
    ASSERT_TRUE(Write(out / "set.arc", sources));
    std::string listing = Check(out / "set.arc", size, out / "x");
    ASSERT_FALSE(listing.empty());
    int volumes = std::atoi(listing.substr(listing.find('\t', 6) + 1).c_str());
    volumeCounts.insert(volumes);
    ASSERT_EQ(int(asked.size()), volumes - 1);
    for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i], int(i) + 2);
    for (int i = 1; i <= 4; ++i)
      EXPECT_EQ(ReadFile(out / ("x/" + std::to_string(i))), ReadFile(sources[size_t(i - 1)].first));
    EXPECT_FALSE(Files.FileExists(archive::VolumeFileName(Win(out / "set.arc"), volumes + 1)));
  }
  EXPECT_GT(volumeCounts.size(), 3u);  // the sizes did make different splits
}

TEST_F(BackupWriteTest, VolumeEndingBetweenEntriesStartsTheNextWithAnEmptyDataSection) {
  // Two stored files of one full block each: a volume holding exactly the
  // first entry must end between the entries.
  MakeSource(Dir / "a", RandomBytes(16384, 21));
  MakeSource(Dir / "b", RandomBytes(16384, 22));
  Backup.CompressionLevel = clcNone;
  Backup.BackupTitle = "";
  std::string list = "c:\\a\t" + std::to_string(platform::DosFromUnixTime(1117620000)) + "=16384\r\n";
  int64_t firstEnd = 12 + (4 + 9 + 4 + 4 + 4 + int64_t(list.size()) * 2 + 4) + (4 + 4 + 4 + 4 + 4 + 16384 + 4);
  Backup.MaxSize = int32_t(firstEnd + 16);
  ASSERT_TRUE(Write(Dir / "s.arc", {{Dir / "a", "c:\\a"}, {Dir / "b", "c:\\b"}}));
  std::string v1 = ReadFile(Dir / "s.arc"), v2 = ReadFile(Dir / "s.002");
  ASSERT_EQ(int64_t(v1.size()), firstEnd + 16);
  EXPECT_EQ(v1.substr(v1.size() - 20), std::string("\0\0\0\0\x0c\0\0\0NEXT:DISK002", 20));
  EXPECT_EQ(v2.substr(0, 8), std::string("EC2\0\0\0\0\0", 8));
  EXPECT_EQ(v2.substr(8, 8), std::string("\x04\0\0\0c:\\b", 8));
  EXPECT_FALSE(Check(Dir / "s.arc", Backup.MaxSize, Dir / "o").empty());
}

TEST_F(BackupWriteTest, CancelAtANewVolumeEndsFalseWithoutMessageOrFiles) {
  MakeSource(Dir / "a", RandomBytes(60000, 5));
  CatchErrors();
  Backup.MaxSize = 20000;
  int asked = 0;
  Backup.OnNeedDisk = [&](TObject*, uint16_t, bool& Continue) {
    ++asked;
    Continue = false;
  };
  EXPECT_FALSE(Write(Dir / "c.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(Errors.empty());
  EXPECT_TRUE(Dialogs.Boxes.empty());
  EXPECT_FALSE(Files.FileExists(Win(Dir / "c.arc")));
  EXPECT_FALSE(Files.FileExists(Win(Dir / "c.002")));
}

TEST_F(BackupWriteTest, TooSmallVolumeSizeIsErrorFourAndCreatesNothing) {
  MakeSource(Dir / "a", "abc");
  CatchErrors();
  Backup.MaxSize = int32_t(archive::MinVolumeSize(0, 4) - 1);
  EXPECT_FALSE(Write(Dir / "t.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_EQ(Errors, std::vector<int32_t>{beCannotWriteArchive});
  EXPECT_FALSE(Files.FileExists(Win(Dir / "t.arc")));
}

TEST_F(BackupWriteTest, VolumeNamesReplaceTheExtension) {
  EXPECT_EQ(archive::VolumeFileName("c:\\x\\setup.arc", 2), "c:\\x\\setup.002");
  EXPECT_EQ(archive::VolumeFileName("c:\\x.d\\setup", 10), "c:\\x.d\\setup.010");
  EXPECT_EQ(archive::VolumeFileName("a.b.c", 999), "a.b.999");
  // A dot in a folder is no extension, whichever separator the path uses.
  EXPECT_EQ(archive::VolumeFileName("c:/my.dir/setup", 2), "c:/my.dir/setup.002");
  EXPECT_EQ(archive::VolumeFileName("c:/d.x/arc", 3), "c:/d.x/arc.003");
}

TEST_F(BackupWriteTest, ErrorsAreReportedOnceWithTheirCode) {
  MakeSource(Dir / "a", "abc");
  CatchErrors();
  // A missing source: 1, and the file concerned stays in CurrentFileName.
  EXPECT_FALSE(Write(Dir / "e.arc", {{Dir / "a", "c:\\a"}, {Dir / "missing", "c:\\m"}}));
  EXPECT_EQ(Errors, std::vector<int32_t>{beCannotReadFile});
  EXPECT_EQ(Backup.CurrentFileName(), Win(Dir / "missing"));
  EXPECT_FALSE(Files.FileExists(Win(Dir / "e.arc")));
  // An archive in a folder that does not exist: 4.
  Errors.clear();
  EXPECT_FALSE(Write(Dir / "no/such/e.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_EQ(Errors, std::vector<int32_t>{beCannotWriteArchive});
  // An existing archive that cannot be overwritten: 2, and it is kept.
  Errors.clear();
  WriteFile(Dir / "old.arc", "old");
  Files.FailCreate.insert(Win(Dir / "old.arc"));
  EXPECT_FALSE(Write(Dir / "old.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_EQ(Errors, std::vector<int32_t>{beOverwriteFailed});
  EXPECT_EQ(ReadFile(Dir / "old.arc"), "old");
  // A name the format cannot carry: 4.
  Errors.clear();
  EXPECT_FALSE(Write(Dir / "n.arc", {{Dir / "a", "NEXT:DISK002"}}));
  EXPECT_FALSE(Write(Dir / "n.arc", {{Dir / "a", "c:\\tab\there"}}));
  EXPECT_EQ(Errors, (std::vector<int32_t>{beCannotWriteArchive, beCannotWriteArchive}));
  // Without OnError the message goes into an error box.
  Backup.OnError = nullptr;
  EXPECT_FALSE(Write(Dir / "f.arc", {{Dir / "missing", "c:\\m"}}));
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(Dialogs.Boxes[0].Text, "Cannot read file");
}

TEST_F(BackupWriteTest, SaveFileIDWritesTheIdListOrReportsSeven) {
  MakeSource(Dir / "a", "abc");
  MakeSource(Dir / "b", "defg");
  CatchErrors();
  Backup.SaveFileID = true;
  ASSERT_TRUE(Write(Dir / "i.arc", {{Dir / "a", "c:\\a"}, {Dir / "b", "c:\\b"}}));
  EXPECT_EQ(ReadFile(Dir / "i.arc.ids"), "1\tc:\\a\t" + Win(Dir / "a") + "\r\n2\tc:\\b\t" + Win(Dir / "b") + "\r\n");
  Files.FailCreate.insert(Win(Dir / "j.arc.ids"));
  EXPECT_FALSE(Write(Dir / "j.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_EQ(Errors, std::vector<int32_t>{beFileIDTempFile});
  EXPECT_FALSE(Files.FileExists(Win(Dir / "j.arc")));
}

TEST_F(BackupWriteTest, IncrementalTakesFilesChangedSinceTheFlagWasCleared) {
  MakeSource(Dir / "a", "abc");
  MakeSource(Dir / "b", "defg");
  Backup.SetBackupMode(bmIncremental);
  EXPECT_TRUE(Backup.SetArchiveFlag);
  Backup.SetBackupMode(bmAll);
  EXPECT_TRUE(Backup.SetArchiveFlag);  // setting bmAll leaves it on
  Backup.SetBackupMode(bmIncremental);
  std::vector<std::pair<std::string, std::string>> both = {{Dir / "a", "c:\\a"}, {Dir / "b", "c:\\b"}};
  ASSERT_TRUE(Write(Dir / "1.arc", both));
  EXPECT_EQ(Backup.FileCount(), 2);
  ASSERT_TRUE(Write(Dir / "2.arc", both));
  EXPECT_EQ(Backup.FileCount(), 0);
  MakeSource(Dir / "b", "changed", 100);
  ASSERT_TRUE(Write(Dir / "3.arc", both));
  EXPECT_EQ(Backup.FileCount(), 1);
  EXPECT_NE(ReadFile(Dir / "3.arc").find("c:\\b\t"), std::string::npos);
  EXPECT_EQ(ReadFile(Dir / "3.arc").find("c:\\a\t"), std::string::npos);
}

TEST_F(BackupWriteTest, ProgressReachesHundredAndCancelRemovesTheArchive) {
  MakeSource(Dir / "a", TextBytes(100000, 1));
  std::vector<int> percents;
  Backup.OnProgress = [&](TObject*, const std::string& Name, TPercentage Percent, bool&) {
    percents.push_back(Percent);
    if (!Name.empty()) {
      EXPECT_EQ(Name, Win(Dir / "a"));
    }
  };
  ASSERT_TRUE(Write(Dir / "p.arc", {{Dir / "a", "c:\\a"}}));
  ASSERT_EQ(percents.size(), 7u + 1u);  // seven blocks and the last call
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);

  CatchErrors();
  Backup.OnProgress = [&](TObject*, const std::string&, TPercentage, bool& Continue) { Continue = false; };
  EXPECT_FALSE(Write(Dir / "q.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_TRUE(Errors.empty());
  EXPECT_FALSE(Files.FileExists(Win(Dir / "q.arc")));
}

TEST_F(BackupWriteTest, SameInputsGiveSameBytesAndTheListTimeFollowsSourceDateEpoch) {
  MakeSource(Dir / "a", TextBytes(5000, 1));
  ASSERT_TRUE(Write(Dir / "1.arc", {{Dir / "a", "c:\\a"}}));
  Backup.CompressionThreads = 4;
  ASSERT_TRUE(Write(Dir / "2.arc", {{Dir / "a", "c:\\a"}}));
  EXPECT_TRUE(ReadFile(Dir / "1.arc") == ReadFile(Dir / "2.arc"));
  setenv("SOURCE_DATE_EPOCH", std::to_string(kEpoch + 3600).c_str(), 1);
  ASSERT_TRUE(Write(Dir / "3.arc", {{Dir / "a", "c:\\a"}}));
  std::string a = ReadFile(Dir / "3.arc");
  size_t listTime = 12 + 4 + 9;
  EXPECT_EQ(int32_t(archive::LoadLE32(reinterpret_cast<const unsigned char*>(a.data() + listTime))),
            platform::DosFromUnixTime(kEpoch + 3600));
}

}  // namespace

namespace {

// Written by Backup, read back by Restore.
class BackupRoundTripTest : public BackupWriteTest {
 protected:
  // Restores Archive into a fresh folder and returns its host path.
  bool RestoreInto(const std::string& Archive, const std::string& HostDir) {
    return Backup.Restore(Win(Archive), Win(HostDir));
  }
};

TEST_F(BackupRoundTripTest, EveryLevelAndThreadCountRestoresTheSameFiles) {
  MakeSource(Dir / "text", TextBytes(123457, 31));
  MakeSource(Dir / "random", RandomBytes(40000, 32));
  MakeSource(Dir / "empty", "");
  std::vector<std::pair<std::string, std::string>> sources = {
      {Dir / "text", "c:\\r\\text.txt"}, {Dir / "empty", "c:\\r\\empty"}, {Dir / "random", "c:\\r\\random.bin"}};
  for (TCompressionLevel level : {clFastest, clcNone, clcDefault, clMax}) {
    std::string first;
    for (int threads : {1, 3}) {
      SCOPED_TRACE(testing::Message() << "level " << int(level) << " threads " << threads);
      Backup.CompressionLevel = level;
      Backup.CompressionThreads = threads;
      ASSERT_TRUE(Write(Dir / "rt.arc", sources));
      if (first.empty()) first = ReadFile(Dir / "rt.arc");
      EXPECT_TRUE(ReadFile(Dir / "rt.arc") == first);
      TempDir out;
      ASSERT_TRUE(RestoreInto(Dir / "rt.arc", out.Path()));
      EXPECT_EQ(Backup.RestoredCount(), 3);
      EXPECT_TRUE(ReadFile(out / "text.txt") == ReadFile(Dir / "text"));
      EXPECT_TRUE(ReadFile(out / "random.bin") == ReadFile(Dir / "random"));
      EXPECT_EQ(ReadFile(out / "empty"), "");
      EXPECT_EQ(Files.FileAge(Win(out / "text.txt")), Files.FileAge(Win(Dir / "text")));
    }
  }
}

TEST_F(BackupRoundTripTest, VolumeSetsOfManySizesRestoreTheSameFilesAskingOncePerVolume) {
  MakeSource(Dir / "a", RandomBytes(50000, 41));
  MakeSource(Dir / "b", "");
  MakeSource(Dir / "c", TextBytes(150000, 42));
  std::vector<std::pair<std::string, std::string>> sources = {
      {Dir / "a", "c:\\v\\a.bin"}, {Dir / "b", "c:\\v\\b"}, {Dir / "c", "c:\\v\\c.txt"}};
  int64_t min = archive::MinVolumeSize(0, 12);
  for (int64_t size = min; size < 80000; size += 3001) {
    SCOPED_TRACE(size);
    Backup.MaxSize = int32_t(size);
    int written = 1;
    Backup.OnNeedDisk = [&](TObject*, uint16_t, bool&) { ++written; };
    TempDir out;
    ASSERT_TRUE(Write(out / "set.arc", sources));
    Backup.OnNeedDisk = nullptr;
    // Reading: no handler, so the disk prompt comes once per volume, also
    // when the volume is already there.
    Dialogs.Boxes.clear();
    ASSERT_TRUE(RestoreInto(out / "set.arc", out / "x"));
    EXPECT_EQ(int(Dialogs.Boxes.size()), written - 1);
    for (size_t i = 0; i < Dialogs.Boxes.size(); ++i)
      EXPECT_EQ(Dialogs.Boxes[i].Text, "Please insert disk " + std::to_string(i + 2) + " and click OK to continue.");
    EXPECT_EQ(Backup.RestoredCount(), 3);
    EXPECT_TRUE(ReadFile(out / "x/a.bin") == ReadFile(Dir / "a"));
    EXPECT_EQ(ReadFile(out / "x/b"), "");
    EXPECT_TRUE(ReadFile(out / "x/c.txt") == ReadFile(Dir / "c"));
  }
}

TEST_F(BackupRoundTripTest, CancelAtTheDiskPromptEndsRestoreFalseWithoutMessage) {
  MakeSource(Dir / "a", RandomBytes(50000, 43));
  Backup.MaxSize = 30000;
  ASSERT_TRUE(Write(Dir / "set.arc", {{Dir / "a", "c:\\a"}}));
  CatchErrors();
  Dialogs.Answers = {platform::idCancel};
  EXPECT_FALSE(RestoreInto(Dir / "set.arc", Dir / "x"));
  EXPECT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_TRUE(Errors.empty());
}

}  // namespace

namespace {

TEST_F(BackupWriteTest, FileDatedBefore1980IsStoredWithTheEarliestDosDate) {
  WriteFile(Dir / "old", "old");
  struct utimbuf t {
    86400, 86400
  };  // 1970-01-02
  utime((Dir / "old").c_str(), &t);
  ASSERT_TRUE(Write(Dir / "o.arc", {{Dir / "old", "c:\\old"}}));
  std::string listing = Check(Dir / "o.arc", 0, Dir / "x");
  EXPECT_NE(listing.find("c:\\old\t" + std::to_string(platform::PackDosDateTime({})) + "\t3"), std::string::npos)
      << listing;
}

// ---- Regression tests: volume names, the file list, threads ----

TEST_F(BackupWriteTest, VolumesThatWouldTakeTheArchivesNameAreRefusedBeforeWriting) {
  MakeSource(Dir / "big", RandomBytes(50000, 41));
  CatchErrors();
  Backup.MaxSize = 20000;
  for (const char* name : {"x.002", "X.010"}) {
    WriteFile(Dir / name, "keep");
    EXPECT_FALSE(Write(Dir / name, {{Dir / "big", "c:\\big.bin"}})) << name;
    EXPECT_EQ(ReadFile(Dir / name), "keep") << name;
  }
  EXPECT_EQ(Errors, (std::vector<int32_t>{beCannotWriteArchive, beCannotWriteArchive}));
  EXPECT_FALSE(Files.FileExists(Win(Dir / "x.003")));
}

TEST_F(BackupWriteTest, FileListThatCannotStayInTheFirstVolumeIsErrorFour) {
  MakeSource(Dir / "empty", "");
  std::vector<std::pair<std::string, std::string>> sources;
  for (int i = 0; i < 20; ++i) sources.push_back({Dir / "empty", "c:\\" + std::string(2000, 'n') + std::to_string(i)});
  CatchErrors();
  Backup.CompressionLevel = clcNone;  // a list of about 40 KB, stored
  Backup.MaxSize = 30000;
  EXPECT_FALSE(Write(Dir / "l.arc", sources));
  EXPECT_EQ(Errors, std::vector<int32_t>{beCannotWriteArchive});
  EXPECT_FALSE(Files.FileExists(Win(Dir / "l.arc")));
  EXPECT_FALSE(Files.FileExists(Win(Dir / "l.002")));
  // With room for the list the set is written; the entries go on in later
  // volumes, and the independent reader reads it.
  Backup.MaxSize = 60000;
  ASSERT_TRUE(Write(Dir / "l.arc", sources));
  EXPECT_TRUE(Files.FileExists(Win(Dir / "l.002")));
  EXPECT_FALSE(Check(Dir / "l.arc", Backup.MaxSize, Dir / "lo").empty());
}

TEST_F(BackupRoundTripTest, ThreadsThatCannotStartLeaveFewerWithTheSameBytesAndFiles) {
  MakeSource(Dir / "text", TextBytes(300000, 43));
  std::vector<std::pair<std::string, std::string>> sources = {{Dir / "text", "c:\\r\\text.txt"}};
  Backup.CompressionThreads = 1;
  ASSERT_TRUE(Write(Dir / "one.arc", sources));
  const std::string expected = ReadFile(Dir / "one.arc");
  for (int allowed : {0, 1, 2}) {
    SCOPED_TRACE(testing::Message() << allowed << " threads start");
    int started = 0;
    Backup.ThreadStarter = [&](std::function<void()> Body) {
      if (started == allowed) return platform::TThread();
      ++started;
      return platform::StartThread(std::move(Body));
    };
    Backup.CompressionThreads = 4;
    Backup.DecompressionThreads = 4;
    ASSERT_TRUE(Write(Dir / "few.arc", sources));
    EXPECT_TRUE(ReadFile(Dir / "few.arc") == expected);
    EXPECT_EQ(started, allowed);
    started = 0;
    TempDir out;
    ASSERT_TRUE(RestoreInto(Dir / "few.arc", out.Path()));
    EXPECT_TRUE(ReadFile(out / "text.txt") == ReadFile(Dir / "text"));
    EXPECT_EQ(started, allowed);
  }
}

}  // namespace
