// velto-arc extract against hostile archives and destinations: decisions on
// the final names, the archive's own volumes, names that are no names, the
// file list's cap, and what --sound-only leaves out.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/archive/archive_builder.h"
#include "tests/tools/arc_run_fixture.h"

namespace fs = std::filesystem;
using testarchive::ArchiveBuilder;
using testarchive::FileSpec;
using testarchive::kDate2005;

namespace {

class ArcExtractRulesTest : public testarc::ArcRunTest {
 protected:
  Result Extract(const std::string& Archive, std::vector<std::string> More) {
    std::vector<std::string> args = {"extract", Archive, "-q"};
    args.insert(args.end(), More.begin(), More.end());
    return Run(args);
  }
  // The bytes of every file below Folder, by path.
  std::map<std::string, std::string> Tree(const std::string& Folder) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(Dir / Folder))
      tree[e.path().lexically_relative(Dir.Path()).string()] =
          e.is_regular_file() ? Get(e.path().lexically_relative(Dir.Path())) : "";
    return tree;
  }
};

// The modes decide on the final name, as the system spells it.
TEST_F(ArcExtractRulesTest, ModesDecideOnTheNameAsTheSystemSpellsIt) {
  Console.Utf8 = true;
  struct Case {
    const char* Mode;
    const char* Expected;
  } cases[] = {{"no-overwrite", "mine"}, {"existing", "archived"}, {"all", "archived"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Mode);
    Put("out/Citt\xC3\xA0.txt", "mine");
    Put("x.arc", testarchive::MakeArchive("", {{"c:\\r\\Citt\xE0.txt", kDate2005, "archived"}}));
    Result r = Extract("x.arc", {"-d", "out", "--mode", c.Mode});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Get("out/Citt\xC3\xA0.txt"), c.Expected);
  }
}

// Names that are no names are refused; the others are written, and the
// run ends with status 1. Nothing lands outside the destination.
TEST_F(ArcExtractRulesTest, InvalidNamesAreRefusedAndNothingLeavesTheDestination) {
  struct Case {
    std::string Stored;
    bool FullPath;
    const char* Why;
  } cases[] = {
      {"c:\\sub/dir\\evil.txt", true, "symbolic link"},        // "/" splits too: sub is a link
      {std::string("c:\\r\\a.txt\0x", 13), false, "control"},  // a NUL in the name
      {"c:\\x\\..\\..\\evil.txt", true, "dot"},
      {"c:\\x\\. .\\evil.txt", true, "dot"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Why);
    fs::remove_all(Dir / "out");
    fs::remove_all(Dir / "outside");
    Put("outside/keep.txt", "outside");
    fs::create_directories(Dir / "out");
    fs::create_symlink("../outside", Dir / "out/sub");
    Put("x.arc", testarchive::MakeArchive("", {{c.Stored, kDate2005, "evil"}, {"c:\\r\\a.txt", kDate2005, "good"}}));
    std::vector<std::string> args = {"-d", "out"};
    if (c.FullPath) args.push_back("--full-path");
    Result r = Extract("x.arc", args);
    EXPECT_EQ(r.Status, arc::esFailure);
    EXPECT_NE(r.Err.find(c.Why), std::string::npos) << r.Err;
    EXPECT_EQ(Tree("outside"), (std::map<std::string, std::string>{{"outside/keep.txt", "outside"}}));
    EXPECT_EQ(Get(c.FullPath ? "out/r/a.txt" : "out/a.txt"), "good");
  }
}

// Names that look like a temporary name, case twins on a system that keeps
// case, and a name as long as the system takes are files like any other.
TEST_F(ArcExtractRulesTest, EveryEntryWithAGoodNameIsWrittenAsItIsNamed) {
  const std::string longName(250, 'n');
  Put("out/.~report.txt.velto-arc", "mine");
  Put("x.arc", testarchive::MakeArchive("", {{"c:\\p\\.~notes.txt.velto-arc", kDate2005, "one"},
                                             {"c:\\p\\notes.txt", kDate2005, "two"},
                                             {"c:\\p\\xt_CONNMARK.h", kDate2005, "upper"},
                                             {"c:\\p\\xt_connmark.h", kDate2005, "lower"},
                                             {"c:\\p\\report.txt", kDate2005, "report"},
                                             {"c:\\p\\" + longName + ".txt", kDate2005, "long"}}));
  Result r = Run({"extract", "x.arc", "-d", "out", "--mode", "no-overwrite"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("6 files restored"), std::string::npos) << r.Out;
  EXPECT_EQ(Tree("out"), (std::map<std::string, std::string>{{"out/.~notes.txt.velto-arc", "one"},
                                                             {"out/notes.txt", "two"},
                                                             {"out/xt_CONNMARK.h", "upper"},
                                                             {"out/xt_connmark.h", "lower"},
                                                             {"out/report.txt", "report"},
                                                             {"out/.~report.txt.velto-arc", "mine"},
                                                             {"out/" + longName + ".txt", "long"}}));
}

// With --overwrite a later entry replaces an earlier one only when it is
// written itself: one that the mode skips leaves the earlier in place.
TEST_F(ArcExtractRulesTest, ALaterEntryThatIsSkippedLeavesTheEarlierInPlace) {
  Put("x.arc", testarchive::MakeArchive("", {{"c:\\a.txt", kDate2005, "old"}}));
  ASSERT_EQ(Extract("x.arc", {"-d", "out"}).Status, 0);
  Put("y.arc", testarchive::MakeArchive(
                   "", {{"c:\\p\\a.txt", kDate2005 + 1000, "newer"}, {"c:\\q\\a.txt", kDate2005 - 1000, "older"}}));
  Result r = Extract("y.arc", {"-d", "out", "--overwrite", "--mode", "newer"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Get("out/a.txt"), "newer");
}

// No entry is written over a volume of the archive's set: read before, or
// still to be read.
TEST_F(ArcExtractRulesTest, NoEntryReplacesAVolumeOfTheSet) {
  struct Case {
    const char* Where;  // the volume holding the entry named a.002
    int Volume;
  } cases[] = {{"in volume 1, before volume 2 is read", 1}, {"in volume 3, after volume 2 was read", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Where);
    std::string list =
        "c:\\a.002\t" + std::to_string(kDate2005) + "=4\r\nc:\\good.txt\t" + std::to_string(kDate2005) + "=4\r\n";
    ArchiveBuilder v1, v2, v3;
    v1.Header("", int32_t(list.size() + 8), 2).Entry("FILE:LIST", kDate2005, list);
    if (c.Volume == 1) v1.Entry("c:\\a.002", kDate2005, "evil");
    v1.Continuation("002");
    v2.Data("").Entry("c:\\good.txt", kDate2005, "good").Continuation("003");
    v3.Data("");
    if (c.Volume == 3) v3.Entry("c:\\a.002", kDate2005, "evil");
    v3.End();
    if (c.Volume == 3) {  // the list in archive order
      list = "c:\\good.txt\t" + std::to_string(kDate2005) + "=4\r\nc:\\a.002\t" + std::to_string(kDate2005) + "=4\r\n";
      v1 = ArchiveBuilder();
      v1.Header("", int32_t(list.size() + 8), 2).Entry("FILE:LIST", kDate2005, list).Continuation("002");
    }
    Put("a.arc", v1.Bytes());
    Put("a.002", v2.Bytes());
    Put("a.003", v3.Bytes());
    Result r = Extract("a.arc", {});
    EXPECT_EQ(r.Status, arc::esFailure) << r.Err;
    EXPECT_NE(r.Err.find("archive being read"), std::string::npos) << r.Err;
    EXPECT_EQ(Get("a.002"), v2.Bytes());
    EXPECT_EQ(Get("good.txt"), "good");
    fs::remove(Dir / "good.txt");
  }
}

// A file list that inflates beyond the cap is damage: nothing is written.
TEST_F(ArcExtractRulesTest, AFileListBeyondItsCapIsDamage) {
  ArchiveBuilder b;
  const std::string zeros(16384, '\0');
  b.Header("", 0, 1).EntryHead("FILE:LIST", kDate2005).Signature();
  for (int i = 0; i < 1100; ++i) b.CompressedBlock(zeros, 9);
  b.Terminator().Entry("c:\\a.txt", kDate2005, "a").End();
  Put("x.arc", b.Bytes());
  for (const char* command : {"test", "extract"}) {
    Result r = Run({command, "x.arc", "-q"});
    EXPECT_EQ(r.Status, arc::esFailure) << command;
    EXPECT_NE(r.Err.find("(file list): longer than"), std::string::npos) << r.Err;
  }
  EXPECT_FALSE(fs::exists(Dir / "a.txt"));
}

// --sound-only leaves out every entry its check calls damaged, a list
// mismatch included, and ends with status 1.
TEST_F(ArcExtractRulesTest, SoundOnlyLeavesOutEveryDamagedEntry) {
  std::string list =
      testarchive::FileListText({{"c:\\p\\setup.ini", kDate2005, "12345"}, {"c:\\p\\b.txt", kDate2005, "b"}});
  ArchiveBuilder b;
  b.Header("", int32_t(list.size() + 4), 2).Entry("FILE:LIST", kDate2005, list);
  b.Entry("c:\\p\\setup.ini", kDate2005, "123").Entry("c:\\p\\b.txt", kDate2005, "b").End();
  Put("x.arc", b.Bytes());
  Result r = Extract("x.arc", {"--sound-only"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("left out damaged entry c:\\p\\setup.ini"), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(Dir / "setup.ini"));
  EXPECT_EQ(Get("b.txt"), "b");
}

}  // namespace
