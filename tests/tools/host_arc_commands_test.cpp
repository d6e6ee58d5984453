// velto-arc's commands run in this process over the host file system, on
// archives assembled byte by byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "archive/format.h"
#include "tests/archive/archive_builder.h"
#include "tests/tools/arc_run_fixture.h"

using testarchive::ArchiveBuilder;
using testarchive::FileSpec;
using testarchive::kDate2005;

namespace {

class ArcCommandsTest : public testarc::ArcRunTest {
 protected:
  // A pipe holding Bytes, its writing end closed: "/dev/fd/N" names it.
  std::string Pipe(const std::string& Bytes) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    EXPECT_EQ(::write(fds[1], Bytes.data(), Bytes.size()), ssize_t(Bytes.size()));
    ::close(fds[1]);
    FPipes.push_back(fds[0]);
    return "/dev/fd/" + std::to_string(fds[0]);
  }
  ~ArcCommandsTest() override {
    for (int fd : FPipes) ::close(fd);
  }
  // A two-volume set: s.arc ends with Marker, the file Second holds the
  // rest and ends with SecondEnd (a marker, or "" for the end marker).
  void TwoVolumes(const std::string& Marker, const std::string& Second, const std::string& SecondEnd = "") {
    ArchiveBuilder v1, v2;
    v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
    v1.Text(Marker);
    v2.Signature().StoredBlock("def").Terminator();
    if (SecondEnd.empty())
      v2.End();
    else
      v2.Text(SecondEnd);
    Put("s.arc", v1.Bytes());
    Put(Second, v2.Bytes());
  }

  // The smallest file the installer command takes as its stub.
  void PutStub(const std::string& Name) {
    std::string stub(0x44, '\0');
    stub[0] = 'M', stub[1] = 'Z', stub[0x3C] = 0x40, stub[0x40] = 'P', stub[0x41] = 'E';
    Put(Name, stub);
  }
  // Every file of the folder with its bytes.
  std::map<std::string, std::string> Files() {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Dir.Path()))
      if (e.is_regular_file()) files[e.path().string()] = testsupport::ReadFile(e.path());
    return files;
  }

  std::vector<int> FPipes;
};

TEST_F(ArcCommandsTest, ListAndTestFailOnEveryProperPrefixAndListShowsWhatItRead) {
  const std::vector<FileSpec> files = {{"c:\\r\\a.txt", kDate2005, std::string(20000, 'a')},
                                       {"c:\\r\\empty", kDate2005, ""},
                                       {"c:\\r\\b.txt", kDate2005, "bee"}};
  std::string full = testarchive::MakeArchive("t", files);
  std::string list = testarchive::FileListText(files);
  size_t infoEnd = 4 + 1 + 8 + 4 + 9 + 4 + 4 + 4 + ArchiveBuilder::Compress(list).size() + 4;
  for (size_t n = 0; n <= full.size(); ++n) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
    Put("p.arc", full.substr(0, n));
    Result listed = Run({"list", "p.arc"});
    EXPECT_EQ(listed.Status, n < full.size() ? arc::esFailure : arc::esSuccess) << listed.Err;
    if (n < full.size()) {
      EXPECT_NE(listed.Err.find("p.arc"), std::string::npos) << listed.Err;
    }
    if (n >= infoEnd) {
      EXPECT_NE(listed.Out.find("c:\\r\\b.txt  2005-06-01 12:00:00  3\n"), std::string::npos);
    }
    Result tested = Run({"test", "-q", "p.arc"});
    EXPECT_EQ(tested.Status, n < full.size() ? arc::esFailure : arc::esSuccess) << tested.Err;
    if (n < full.size()) {
      EXPECT_NE(tested.Err.find("velto-arc: "), std::string::npos);
    }
  }
}

// ---- Regression tests: the tool ----

TEST_F(ArcCommandsTest, CreateRefusesVolumesThatWouldTakeTheArchivesName) {
  Put("big.bin", testarchive::PatternBytes(100000, 7, false));
  Result r = Run({"create", "x.002", "-q", "--volume-size", "20000", "big.bin"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("Cannot write to archive: x.002"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(Dir / "x.002"));
}

TEST_F(ArcCommandsTest, ExtractNextToTheArchiveLeavesTheArchiveWhole) {
  std::filesystem::create_directories(Dir / "src");
  Put("src/b.arc", "inner\n");
  Put("src/z.bin", "zzz");
  ASSERT_EQ(Run({"create", "b.arc", "-q", "src/b.arc", "src/z.bin"}).Status, arc::esSuccess);
  std::string archive = Get("b.arc");
  Result r = Run({"extract", "b.arc", "-q"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_EQ(Get("b.arc"), archive);
  EXPECT_EQ(Get("z.bin"), "zzz");
  EXPECT_NE(r.Err.find(Dir.Path() + "/b.arc: it is a file of the archive being read"), std::string::npos) << r.Err;
}

TEST_F(ArcCommandsTest, MarkersAreJudgedAlikeByExtractAndTestAndNeverLoop) {
  struct Case {
    const char* Marker;
    const char* Volume;     // the file put there as the next volume
    const char* VolumeEnd;  // how that volume ends: "" is the end marker
    bool Sound;
  } cases[] = {
      {"NEXT:DISK002", "s.002", "", true},
      {"NEXT:DISK2", "s.002", "", false},
      {"NEXT:DISK0002", "s.002", "", false},
      {"NEXT:DISK001", "s.001", "", false},
      {"NEXT:DISK000", "s.000", "", false},
      {"NEXT:DISKx02", "s.002", "", false},
      {"NEXT:DISK002", "s.002", "NEXT:DISK002", false},  // the same volume again
      {"NEXT:DISK002", "s.002", "NEXT:DISK001", false},  // an earlier one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Marker) + " then " + c.VolumeEnd);
    std::filesystem::remove_all(Dir / "out");
    TwoVolumes(c.Marker, c.Volume, c.VolumeEnd);
    Result tested = Run({"test", "-q", "s.arc"});
    Result extracted = Run({"extract", "s.arc", "-q", "-d", "out"});
    EXPECT_EQ(tested.Status, c.Sound ? arc::esSuccess : arc::esFailure) << tested.Err;
    EXPECT_EQ(extracted.Status, tested.Status) << extracted.Err;
    if (!c.Sound) {
      EXPECT_NE(extracted.Err.find("Invalid archive type: s.arc"), std::string::npos) << extracted.Err;
    }
  }
}

TEST_F(ArcCommandsTest, ArchiveOnAPipeIsRefusedWithAMessage) {
  std::string archive = testarchive::MakeArchive("t", {{"c:\\r\\a.txt", kDate2005, "a"}});
  for (const char* command : {"list", "test", "extract"}) {
    SCOPED_TRACE(command);
    Result r = Run({command, Pipe(archive)});
    EXPECT_EQ(r.Status, arc::esFailure);
    EXPECT_NE(r.Err.find("Cannot read archive: /dev/fd/"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("not a regular file"), std::string::npos) << r.Err;
  }
}

TEST_F(ArcCommandsTest, SourceThatIsAPipeIsErrorOneAndLeavesNoArchive) {
  Result r = Run({"create", "p.arc", "-q", Pipe("hello\n")});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("Cannot read file: /dev/fd/"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(Dir / "p.arc"));
}

TEST_F(ArcCommandsTest, ListAndTestReportAFileListThatGoesOnInTheNextVolume) {
  ArchiveBuilder v1, v2;
  v1.Header("t", 36, 2).EntryHead("FILE:LIST", kDate2005).Signature().StoredBlock("c:\\a\t851533824=0\r\n");
  v1.Terminator().Continuation("002");
  v2.Signature().StoredBlock("c:\\b\t851533824=0\r\n").Terminator();
  v2.Entry("c:\\a", kDate2005, "").Entry("c:\\b", kDate2005, "").End();
  Put("l.arc", v1.Bytes());
  Put("l.002", v2.Bytes());
  Result r = Run({"list", "l.arc"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("Invalid archive type: l.arc"), std::string::npos) << r.Err;
  r = Run({"test", "l.arc"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("the file list does not end inside the first volume"), std::string::npos) << r.Err;
}

TEST_F(ArcCommandsTest, ArchiveWhoseTitleStartsWithMZIsListedTestedAndExtracted) {
  std::string title(23117, 'v');  // its length field reads "MZ"
  Put("mz.arc", testarchive::MakeArchive(title, {{"c:\\r\\a.txt", kDate2005, "aaa"}}));
  ASSERT_EQ(Get("mz.arc").substr(0, 2), "MZ");
  Result r = Run({"list", "mz.arc"});
  EXPECT_EQ(r.Status, arc::esSuccess) << r.Err;
  EXPECT_NE(r.Out.find("c:\\r\\a.txt  "), std::string::npos);
  EXPECT_EQ(Run({"test", "-q", "mz.arc"}).Status, arc::esSuccess);
  EXPECT_EQ(Run({"extract", "mz.arc", "-q", "-d", "out"}).Status, arc::esSuccess);
  EXPECT_EQ(Get("out/a.txt"), "aaa");
}

TEST_F(ArcCommandsTest, MessagesNameTheFileTheErrorConcerns) {
  // A refused ".." entry, then a good file: the refused one is named.
  ArchiveBuilder dots;
  dots.Header("", 8, 2).Entry("c:\\x\\..\\..\\evil.txt", kDate2005, "evil").Entry("c:\\x\\good.txt", kDate2005, "good");
  Put("dots.arc", dots.End().Bytes());
  Result r = Run({"extract", "dots.arc", "-q", "-d", "out", "--full-path"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("entry c:\\x\\..\\..\\evil.txt: invalid name"), std::string::npos) << r.Err;
  EXPECT_EQ(Get("out/x/good.txt"), "good");

  // A marker inside an installer: the installer is named, not a file.
  ArchiveBuilder payload;
  payload.Header("", 3, 1).Entry("c:\\r\\a.txt", kDate2005, "aaa").Continuation("002");
  std::string stub(0x44, '\0');
  stub[0] = 'M', stub[1] = 'Z', stub[0x3C] = 0x40, stub[0x40] = 'P', stub[0x41] = 'E';
  std::string installer = stub + payload.Bytes();
  unsigned char trailer[4];
  archive::StoreLE32(trailer, uint32_t(stub.size()));
  Put("setup.exe", installer + std::string(reinterpret_cast<char*>(trailer), 4));
  r = Run({"extract", "setup.exe", "-q", "-d", "inst"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("Invalid archive type: setup.exe"), std::string::npos) << r.Err;
  // Nothing is put in place from an archive that is not sound to its end.
  EXPECT_FALSE(std::filesystem::exists(Dir / "inst"));
}

TEST_F(ArcCommandsTest, AnOutputThatIsAnInputOrNoArchiveIsRefusedBeforeAnythingIsWritten) {
  Put("nota.txt", "nota");
  Put("b.txt", "bee");
  Put("v.002", "volume-like input");
  PutStub("stub.exe");
  ASSERT_EQ(Run({"create", "-q", "same.arc", "b.txt"}).Status, arc::esSuccess);
  std::filesystem::create_symlink("same.arc", Dir / "link.arc");
  std::filesystem::create_hard_link(Dir / "nota.txt", Dir / "hard.txt");
  std::filesystem::create_directories(Dir / "sub");
  const struct {
    std::vector<std::string> Args;
    const char* Said;
  } cases[] = {
      {{"create", "nota.txt", "nota.txt"}, "nota.txt is the input nota.txt (the same file)"},
      {{"create", "hard.txt", "nota.txt"}, "hard.txt is the input nota.txt"},
      {{"create", "sub/../nota.txt", "nota.txt"}, "sub/../nota.txt is the input nota.txt"},
      {{"create", "link.arc", "same.arc"}, "link.arc is the input same.arc"},
      {{"create", "v.arc", "--volume-size", "20000", "v.002"}, "v.002 is the input v.002"},
      {{"create", "b.txt", "nota.txt"}, "b.txt exists and is not an archive; nothing was written (--force"},
      {{"installer", "--stub", "stub.exe", "-o", "same.arc", "same.arc"}, "same.arc is the input same.arc"},
      {{"installer", "--stub", "stub.exe", "-o", "stub.exe", "same.arc"}, "stub.exe is the input stub.exe"},
      {{"installer", "--stub", "stub.exe", "-o", "link.arc", "same.arc"}, "link.arc is the input same.arc"},
      {{"installer", "--stub", "stub.exe", "-o", "nota.txt", "same.arc"}, "nota.txt exists and is not an archive"},
  };
  const std::map<std::string, std::string> before = Files();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Said);
    Result r = Run(c.Args);
    EXPECT_EQ(r.Status, arc::esUsage);
    EXPECT_NE(r.Err.find(c.Said), std::string::npos) << r.Err;
    EXPECT_EQ(Files(), before);
  }
  // --force replaces what is no archive; an archive is replaced as it is.
  EXPECT_EQ(Run({"create", "-q", "--force", "b.txt", "nota.txt"}).Status, arc::esSuccess);
  EXPECT_EQ(Run({"create", "-q", "b.txt", "hard.txt"}).Status, arc::esSuccess);
  EXPECT_EQ(Run({"list", "b.txt"}).Status, arc::esSuccess);
  EXPECT_EQ(Files().size(), before.size());  // no temporary file left behind
}

TEST_F(ArcCommandsTest, AWalkedFolderIsStoredAsNamedAndItsEmptyFoldersAreCounted) {
  Put("src/a.txt", "a");
  Put("src/sub/b.txt", "b");
  std::filesystem::create_directories(Dir / "src/empty/deeper");
  Result r = Run({"create", "-q", "a.arc", "src"});
  ASSERT_EQ(r.Status, arc::esSuccess) << r.Err;
  EXPECT_EQ(r.Err, "velto-arc: 2 empty folders left out: an archive holds files only\n");
  EXPECT_NE(Run({"list", "a.arc"}).Out.find("\nc:\\src\\sub\\b.txt  "), std::string::npos);
  ASSERT_EQ(Run({"extract", "-q", "a.arc", "-d", "out", "--full-path"}).Status, arc::esSuccess);
  EXPECT_EQ(Get("out/src/sub/b.txt"), "b");
  r = Run({"create", "-q", "b.arc", "src/../src"});
  EXPECT_EQ(r.Status, arc::esUsage);
  EXPECT_NE(r.Err.find("a folder named with '..' cannot be stored as named"), std::string::npos) << r.Err;
}

TEST_F(ArcCommandsTest, NamesAreConvertedOnceForTheTerminalAndCountsTakeTheirPlural) {
  Console.Utf8 = true;
  const std::string folder = "Societ\xC3\xA0";  // UTF-8, on disk and typed (the sources are Windows-1252)
  Put(folder + "/bilancio.txt", "1");
  PutStub("stub.exe");
  const struct {
    std::vector<std::string> Args;
    const char* Out;
    std::string Progress;  // on the bar, "" when none
  } cases[] = {
      {{"create", "a.arc", folder}, "a.arc: 1 file, ", folder + "/bilancio.txt"},
      {{"list", "a.arc"}, "c:\\Societ\xC3\xA0\\bilancio.txt  ", ""},
      {{"test", "a.arc"}, "a.arc: 1 file, 1 volume, all blocks sound", ""},
      {{"extract", "a.arc", "-d", "out", "--full-path"}, "a.arc: 1 file restored\n", "out/" + folder + "/bilancio.txt"},
      {{"installer", "--stub", "stub.exe", "-o", "setup.exe", "a.arc"},
       " bytes (stub stub.exe, 68 bytes; archive a.arc",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args[0]);
    Result r = Run(c.Args);
    ASSERT_EQ(r.Status, arc::esSuccess) << r.Err;
    EXPECT_NE(r.Out.find(c.Out), std::string::npos) << r.Out;
    if (!c.Progress.empty()) {
      EXPECT_NE(r.Err.find(c.Progress), std::string::npos) << r.Err;
    }
    EXPECT_EQ((r.Out + r.Err).find("\xC3\x83"), std::string::npos);  // "Ã": converted twice
  }
  EXPECT_EQ(Get("out/" + folder + "/bilancio.txt"), "1");
}

}  // namespace
