// velto-arc over the host file system: extraction that never writes through
// links or over good files with broken ones, same-target refusal, folder
// walking, option forms, names in the locale's encoding and stub checks.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <sstream>

#include "tests/archive/archive_builder.h"
#include "tests/tools/arc_run_fixture.h"

namespace fs = std::filesystem;
using testarchive::FileSpec;
using testarchive::kDate2005;

namespace {

class ArcSafetyTest : public testarc::ArcRunTest {
 protected:
  void PutArchive(const std::string& Name, const std::vector<FileSpec>& Files) {
    Put(Name, testarchive::MakeArchive("", Files));
  }
  // The names in Folder, sorted.
  std::vector<std::string> Names(const std::string& Folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Dir / Folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ArcSafetyTest, LinksInTheDestinationAreNeverFollowed) {
  struct Case {
    const char* Stored;  // the entry
    bool FullPath;
    const char* LinkName;  // below out/, made before the run
    const char* LinkTo;    // relative to the link's folder
    int Status;
    const char* Written;  // the file the entry must land in ("" none)
    size_t Padding = 0;   // bytes before the entry's text
  } cases[] = {
      // A link in place of the file is replaced by the file.
      {"c:\\r\\victim.txt", false, "victim.txt", "../outside/victim.txt", arc::esSuccess, "out/victim.txt"},
      {"c:\\sub\\victim.txt", true, "sub/victim.txt", "../../outside/victim.txt", arc::esSuccess, "out/sub/victim.txt"},
      // A link in place of a folder on the way refuses the entry.
      {"c:\\sub\\victim.txt", true, "sub", "../outside", arc::esFailure, ""},
      {"c:\\a\\sub\\victim.txt", true, "a/sub", "../../outside", arc::esFailure, ""},
      // A link waiting under the temporary name goes before it is written.
      {"c:\\r\\t.txt", false, ".~t.txt.velto-arc", "../outside/victim.txt", arc::esSuccess, "out/t.txt"},
      // The same for a file too long to be held in memory.
      {"c:\\r\\t.txt", false, ".~t.txt.velto-arc", "../outside/victim.txt", arc::esSuccess, "out/t.txt", 3 << 19},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Stored + std::string(" with ") + c.LinkName);
    fs::remove_all(Dir / "out");
    fs::remove_all(Dir / "outside");
    Put("outside/victim.txt", "outside");
    fs::create_directories(fs::path(Dir / ("out/" + std::string(c.LinkName))).parent_path());
    fs::create_symlink(c.LinkTo, Dir / ("out/" + std::string(c.LinkName)));
    const std::string text = std::string(c.Padding, 'p') + "archived";
    PutArchive("l.arc", {{c.Stored, kDate2005, text}, {"c:\\r\\other.txt", kDate2005, "other"}});
    std::vector<std::string> args = {"extract", "l.arc", "-q", "-d", "out"};
    if (c.FullPath) args.push_back("--full-path");
    Result r = Run(args);
    EXPECT_EQ(r.Status, c.Status) << r.Err;
    EXPECT_EQ(Names("outside"), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(Get("outside/victim.txt"), "outside");
    EXPECT_EQ(Get(c.FullPath ? "out/r/other.txt" : "out/other.txt"), "other");
    if (*c.Written) {
      EXPECT_FALSE(fs::is_symlink(Dir / c.Written));
      EXPECT_EQ(Get(c.Written), text);
    } else {
      EXPECT_NE(r.Err.find("is a symbolic link"), std::string::npos) << r.Err;
      EXPECT_NE(r.Err.find("1 not written"), std::string::npos) << r.Err;
    }
  }
}

TEST_F(ArcSafetyTest, AFailedWriteKeepsTheOldFileAndSaysWhy) {
  // A file-size limit makes the system refuse the write, as a full disk does:
  // for a file held in memory and made by a writer thread, for one too long
  // to hold, and for a run of many such files, which stops.
  struct Case {
    int Files;
    size_t Size;
  } cases[] = {{1, 300000}, {1, 1500000}, {40, 70000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Files) + " of " + std::to_string(c.Size));
    fs::remove_all(Dir / "out");
    fs::remove_all(Dir / "src");
    std::vector<std::string> args = {"create", "-q", "f.arc"};
    for (int i = 0; i < c.Files; ++i) {
      std::string name = "f" + std::to_string(i) + ".bin";
      Put("src/" + name, testarchive::PatternBytes(c.Size, i + 5, false));
      Put("out/" + name, "old good " + name);
      args.push_back("src/" + name + "=c:\\r\\" + name);
    }
    ASSERT_EQ(Run(args).Status, arc::esSuccess);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 65536;
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Result r = Run({"extract", "f.arc", "-q", "-d", "out"});
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r.Status, arc::esFailure);
    // The writers may fail on any of the files first; one is named.
    const std::string head = "velto-arc: cannot write " + (Dir / "out/f");
    EXPECT_EQ(r.Err.rfind(head, 0), 0u) << r.Err;
    EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1) << r.Err;
    EXPECT_NE(r.Err.find(".bin: File too large\n"), std::string::npos) << r.Err;
    std::vector<std::string> names;
    for (int i = 0; i < c.Files; ++i) {
      std::string name = "f" + std::to_string(i) + ".bin";
      names.push_back(name);
      EXPECT_EQ(Get("out/" + name), "old good " + name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(Names("out"), names);
  }
}

TEST_F(ArcSafetyTest, EntriesLandingOnOneFileAreRefusedUnlessOverwriteIsGiven) {
  // Linux keeps case: only the same name is the same file.
  PutArchive(
      "c.arc",
      {{"c:\\a\\X.TXT", kDate2005, "first"}, {"c:\\b\\X.TXT", kDate2005, "second"}, {"c:\\b\\y.txt", kDate2005, "y"}});
  Result r = Run({"extract", "c.arc", "-q", "-d", "out"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("entries c:\\a\\X.TXT and c:\\b\\X.TXT would both be written to"), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(Dir / "out"));
  // Kept apart by their folders, they do not collide.
  EXPECT_EQ(Run({"extract", "c.arc", "-q", "-d", "full", "--full-path"}).Status, arc::esSuccess);
  EXPECT_EQ(Get("full/b/X.TXT"), "second");
  r = Run({"extract", "c.arc", "-q", "-d", "out", "--overwrite"});
  EXPECT_EQ(r.Status, arc::esSuccess) << r.Err;
  EXPECT_EQ(Get("out/X.TXT"), "second");
  EXPECT_EQ(Get("out/y.txt"), "y");
}

TEST_F(ArcSafetyTest, FoldersAreWalkedInSortedOrderAndGiveTheSameArchiveTwice) {
  Put("src/b.txt", "b");
  Put("src/a/z.txt", "z");
  Put("src/a/b/y.txt", "y");
  Put("src/a-c.txt", "dash");
  fs::create_symlink("a", Dir / "src/link");  // a link to a folder: passed over
  ::setenv("SOURCE_DATE_EPOCH", "1117627200", 1);
  ASSERT_EQ(Run({"create", "w1.arc", "-q", "src=c:\\app", Dir / "src/b.txt"}).Status, arc::esSuccess);
  ASSERT_EQ(Run({"create", "w2.arc", "-q", "src=c:\\app", Dir / "src/b.txt"}).Status, arc::esSuccess);
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(Get("w1.arc"), Get("w2.arc"));
  Result listed = Run({"list", "w1.arc"});
  std::string zName = fs::path(Dir.Path()).relative_path().string() + "/src/b.txt";
  std::replace(zName.begin(), zName.end(), '/', '\\');
  std::vector<std::string> order = {"c:\\app\\a-c.txt", "c:\\app\\a\\b\\y.txt", "c:\\app\\a\\z.txt", "c:\\app\\b.txt",
                                    "Z:\\" + zName};
  size_t at = 0;
  for (const std::string& name : order) {
    size_t found = listed.Out.find(name + "  ", at);
    EXPECT_NE(found, std::string::npos) << name << " in order in\n" << listed.Out;
    at = found == std::string::npos ? at : found;
  }
  EXPECT_EQ(listed.Out.find("link"), std::string::npos) << listed.Out;
}

TEST_F(ArcSafetyTest, OptionValuesAttachedOrApart) {
  Put("in/a.txt", "aaa");
  struct Case {
    std::vector<std::string> Args;
    int Status;
    const char* Text;  // in the output or the messages
  } cases[] = {
      {{"create", "-j2", "-lmax", "-q", "o1.arc", "in"}, arc::esSuccess, ""},
      {{"create", "--jobs=2", "--level=none", "--title=T", "-q", "o2.arc", "in"}, arc::esSuccess, ""},
      {{"create", "o3.arc", "in", "-j", "2", "--quiet"}, arc::esSuccess, ""},
      {{"extract", "o1.arc", "-dx1", "-q"}, arc::esSuccess, ""},
      {{"extract", "o2.arc", "--directory=x2", "--mode=no-overwrite", "-q"}, arc::esSuccess, ""},
      {{"create", "o.arc", "in", "--jobs"}, arc::esUsage, "option --jobs needs a value"},
      {{"create", "o.arc", "in", "-j"}, arc::esUsage, "option -j needs a value"},
      {{"create", "o.arc", "in", "--quiet=1"}, arc::esUsage, "option --quiet takes no value"},
      {{"create", "o.arc", "in", "-x"}, arc::esUsage, "unknown option -x"},
      {{"create", "o.arc", "in", "--bogus=3"}, arc::esUsage, "unknown option --bogus"},
      {{"create", "o.arc", "in", "-j0"}, arc::esUsage, "--jobs needs a number from 1 to 256"},
      {{"list", "--", "-weird.arc"}, arc::esFailure, "-weird.arc: no such archive file"},
      {{"--version"}, arc::esSuccess, "velto-arc 1.1 (archive format 5.10)\n"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.Args) joined += a + " ";
    SCOPED_TRACE(joined);
    Result r = Run(c.Args);
    EXPECT_EQ(r.Status, c.Status) << r.Err;
    EXPECT_NE((r.Out + r.Err).find(c.Text), std::string::npos) << r.Out << r.Err;
  }
  EXPECT_EQ(Get("x1/a.txt"), "aaa");
  EXPECT_EQ(Get("x2/a.txt"), "aaa");
  for (const char* command : {"create", "list", "test", "extract", "installer"}) {
    Result r = Run({command, "--help"});
    EXPECT_NE(r.Out.find(std::string("Example: velto-arc ") + command + " "), std::string::npos) << command;
  }
}

TEST_F(ArcSafetyTest, AccentedNamesRoundTripInTheLocalesEncoding) {
  Console.Utf8 = true;
  const std::string utf8 = "na\xc3\xafve\xe2\x82\xac.txt";  // naïve€.txt
  Put("in/" + utf8, "accent");
  Result r = Run({"create", "-q", "a.arc", "in"});
  ASSERT_EQ(r.Status, arc::esSuccess) << r.Err;
  // Stored in Windows-1252, shown back in UTF-8.
  EXPECT_NE(Get("a.arc").find("na\xefve\x80.txt"), std::string::npos);
  EXPECT_NE(Run({"list", "a.arc"}).Out.find(utf8), std::string::npos);
  r = Run({"extract", "a.arc", "-q", "-d", "out"});
  EXPECT_EQ(r.Status, arc::esSuccess) << r.Err;
  EXPECT_EQ(Names("out"), std::vector<std::string>{utf8});
  // A name Windows-1252 cannot hold is an error naming it.
  Put("cjk/\xe6\x97\xa5.txt", "x");
  r = Run({"create", "-q", "c.arc", "cjk"});
  EXPECT_EQ(r.Status, arc::esFailure);
  EXPECT_NE(r.Err.find("cannot store " + (Dir / "cjk/\xe6\x97\xa5.txt")), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(Dir / "c.arc"));
}

TEST_F(ArcSafetyTest, InstallerStubMustBeAWindowsImage) {
  ASSERT_EQ(Run({"create", "-q", "p.arc", "p.arc=c:\\p.txt"}).Status, arc::esFailure);  // not there yet
  Put("p.txt", "payload");
  ASSERT_EQ(Run({"create", "-q", "p.arc", "p.txt"}).Status, arc::esSuccess);
  std::string image(0x48, '\0');
  image[0] = 'M', image[1] = 'Z', image[0x3C] = 0x40, image[0x40] = 'P', image[0x41] = 'E';
  struct Case {
    std::string Stub;
    int Status;
  } cases[] = {
      {image, arc::esSuccess},
      {testarchive::PatternBytes(1000, 3, false), arc::esFailure},
      {"MZ", arc::esFailure},
      {image.substr(0, 0x43), arc::esFailure},  // "PE\0\0" cut short
      {std::string("MZ") + std::string(0x3A, '\0') + "\xff\xff\xff\x7f" + "PE", arc::esFailure},
      {std::string("ZM") + image.substr(2), arc::esFailure},
  };
  for (const Case& c : cases) {
    Put("stub.exe", c.Stub);
    Result r = Run({"installer", "--stub", "stub.exe", "-o", "setup.exe", "p.arc"});
    EXPECT_EQ(r.Status, c.Status) << r.Err;
    if (c.Status != arc::esSuccess) {
      EXPECT_NE(r.Err.find("stub.exe: not a Windows executable image"), std::string::npos) << r.Err;
      EXPECT_FALSE(fs::exists(Dir / "setup.exe"));
    }
    fs::remove(Dir / "setup.exe");
  }
}

}  // namespace
