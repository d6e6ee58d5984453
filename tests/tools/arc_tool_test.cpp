// velto-arc run as a program: each command's output, files and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>

#include "archive/format.h"
#include "tests/support/temp_dir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string Quote(const std::string& S) {
  std::string q = "'";
  for (char c : S) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The smallest executable image the installer command takes as its stub.
std::string PeStub();

struct Result {
  int Status;
  std::string Out, Err;
};

class ArcToolTest : public ::testing::Test {
 protected:
  // Runs velto-arc in Dir with Args (already quoted as needed), standard
  // input from /dev/null, under the locale Locale.
  Result Run(const std::string& Args, const std::string& Locale = "C.UTF-8") {
    std::string cmd = "cd " + Quote(Dir.Path()) + " && LC_ALL=" + Locale + " " + Quote(VELTO_ARC_PATH) + " " + Args +
                      " >" + Quote(Dir / ".out") + " 2>" + Quote(Dir / ".err") + " </dev/null";
    int status = std::system(cmd.c_str());
    Result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(Dir / ".out"), ReadFile(Dir / ".err")};
    return r;
  }
  // Makes Name (in Dir) with Size bytes of text.
  std::string Text(const std::string& Name, size_t Size, uint32_t Seed = 1) {
    std::mt19937 rng(Seed);
    std::string s;
    while (s.size() < Size) s += "Velto cerca sul desktop " + std::to_string(rng() % 1000) + "\r\n";
    s.resize(Size);
    WriteFile(Dir / Name, s);
    return s;
  }
  // An archive made by the independent writer from (file in Dir, stored name).
  void ReferenceArchive(const std::string& Name, const std::vector<std::pair<std::string, std::string>>& Files,
                        const std::string& Title = "2005 1.0.0.0") {
    const char* src = std::getenv("VELTO_SOURCE_DIR");
    std::string cmd = "python3 " + Quote(std::string(src ? src : ".") + "/tests/archive/write_reference.py") +
                      " expect " + Quote(Dir / Name) + " " + Quote(Title) + " 1 1118937600";
    for (auto& [file, stored] : Files) cmd += " " + Quote(Dir / file) + " " + Quote(stored);
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  static bool Exists(const std::string& Path) {
    struct stat st;
    return ::stat(Path.c_str(), &st) == 0;
  }

  TempDir Dir;
};

TEST_F(ArcToolTest, CreateListTestAndExtractRoundTrip) {
  std::string a = Text("a.txt", 40000, 1), b = Text("b.txt", 5, 2);
  Result r = Run("create x.arc -t 'Versione 2' -j 2 a.txt 'b.txt=c:\\release\\velto.hlp'");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("2 files"), std::string::npos);

  r = Run("list x.arc");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("Title: Versione 2\n"), std::string::npos);
  EXPECT_NE(r.Out.find("Files: 2\n"), std::string::npos);
  std::string storedA = "Z:" + Dir.Path() + "/a.txt";
  for (char& c : storedA) c = c == '/' ? '\\' : c;
  EXPECT_NE(r.Out.find(storedA + "  "), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("  40000\n"), std::string::npos);
  EXPECT_NE(r.Out.find("c:\\release\\velto.hlp  "), std::string::npos);

  r = Run("test x.arc");
  EXPECT_EQ(r.Status, 0) << r.Err;
  r = Run("extract x.arc -d out -q");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_TRUE(ReadFile(Dir / "out/a.txt") == a);
  EXPECT_EQ(ReadFile(Dir / "out/velto.hlp"), b);
  // --full-path keeps the stored folders below the target.
  r = Run("extract x.arc -d full --full-path -q");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(ReadFile(Dir / "full/release/velto.hlp"), b);
  // no-overwrite leaves an existing file alone.
  WriteFile(Dir / "out/velto.hlp", "mine");
  r = Run("extract x.arc -d out --mode no-overwrite -q");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(ReadFile(Dir / "out/velto.hlp"), "mine");
}

TEST_F(ArcToolTest, ListAndTestReadTheIndependentWritersArchive) {
  Text("p.txt", 70000, 3);
  Text("q.txt", 0, 4);
  ReferenceArchive("ref.arc", {{"p.txt", "c:\\release\\p.txt"}, {"q.txt", "c:\\release\\q.txt"}});
  Result r = Run("list ref.arc");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("Title: 2005 1.0.0.0\n"), std::string::npos);
  EXPECT_NE(r.Out.find("c:\\release\\p.txt  "), std::string::npos);
  EXPECT_NE(r.Out.find("  70000\n"), std::string::npos);
  EXPECT_NE(r.Out.find("c:\\release\\q.txt  "), std::string::npos);
  r = Run("test ref.arc");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("2 files"), std::string::npos);
}

TEST_F(ArcToolTest, TestNamesTheDamagedEntryAndExitsOne) {
  Text("p.txt", 20000, 5);
  Text("q.txt", 50000, 6);
  ReferenceArchive("ref.arc", {{"p.txt", "c:\\p.txt"}, {"q.txt", "c:\\q.txt"}});
  std::string bytes = ReadFile(Dir / "ref.arc");
  // The second block of q.txt: find the entry, pass its first block over.
  size_t at = bytes.rfind("c:\\q.txt") + 8 + 4 + 4;
  int32_t first = int32_t(archive::LoadLE32(reinterpret_cast<const unsigned char*>(bytes.data() + at)));
  ASSERT_GT(first, 0);
  size_t second = at + 4 + size_t(first);
  int32_t len = int32_t(archive::LoadLE32(reinterpret_cast<const unsigned char*>(bytes.data() + second)));
  ASSERT_GT(len, 10);
  bytes[second + 4 + size_t(len) / 2] ^= 0x55;
  WriteFile(Dir / "bad.arc", bytes);
  Result r = Run("test bad.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("damaged entry c:\\q.txt: block 2"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("c:\\p.txt"), std::string::npos) << r.Err;
  // A changed Adler-32 alone is found too.
  bytes = ReadFile(Dir / "ref.arc");
  bytes[second + 4 + size_t(len) - 1] ^= 0x01;
  WriteFile(Dir / "bad2.arc", bytes);
  r = Run("test bad2.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("damaged entry c:\\q.txt: block 2: zlib: incorrect data check"), std::string::npos) << r.Err;
  // extract checks first: it names the damage and writes nothing.
  r = Run("extract bad.arc -d out");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("damaged entry c:\\q.txt: block 2"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("nothing extracted"), std::string::npos) << r.Err;
  EXPECT_FALSE(Exists(Dir / "out"));
  // --sound-only restores the sound entry and names the one left out.
  r = Run("extract bad.arc -d out --sound-only -q");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("left out damaged entry c:\\q.txt"), std::string::npos) << r.Err;
  EXPECT_EQ(ReadFile(Dir / "out/p.txt"), ReadFile(Dir / "p.txt"));
  EXPECT_FALSE(Exists(Dir / "out/q.txt"));
}

TEST_F(ArcToolTest, IncompressibleFileIsCheckedAtEveryCompressingLevelAndAFlipAnywhereIsFound) {
  // 100 KB of random bytes, as any already-compressed file is.
  std::mt19937 rng(11);
  std::string random(100000, '\0');
  for (char& c : random) c = static_cast<char>(rng());
  WriteFile(Dir / "r.bin", random);
  for (const char* level : {"fastest", "default", "max"}) {
    SCOPED_TRACE(level);
    Result r = Run(std::string("create x.arc -q -l ") + level + " 'r.bin=c:\\release\\velto.hlp'");
    ASSERT_EQ(r.Status, 0) << r.Err;
    r = Run("test x.arc");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("all blocks sound\n"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("unchecked"), std::string::npos) << r.Out;
    EXPECT_EQ(Run("list x.arc").Out.find("cannot be checked"), std::string::npos);
    ASSERT_EQ(Run("extract x.arc -q -d ok").Status, 0);
    EXPECT_TRUE(ReadFile(Dir / "ok/velto.hlp") == random);
  }
  // Every block of the last one (max), damaged in turn: test and extract
  // find it; extract writes nothing.
  const std::string bytes = ReadFile(Dir / "x.arc");
  const std::string stored = "c:\\release\\velto.hlp";
  ASSERT_NE(bytes.rfind(stored), std::string::npos);
  size_t at = bytes.rfind(stored) + stored.size() + 4 + 4;  // name, date/time, signature
  int blocks = 0;
  for (int32_t len; at + 4 <= bytes.size() &&
                    (len = int32_t(archive::LoadLE32(reinterpret_cast<const unsigned char*>(bytes.data() + at)))) != 0;
       at += 4 + size_t(len), ++blocks) {
    ASSERT_GT(len, 0) << "a stored block at a compressing level";
    ASSERT_LE(at + 4 + size_t(len), bytes.size());
    std::string damaged = bytes;
    damaged[at + 4 + size_t(len) / 2] ^= 0x10;
    WriteFile(Dir / "bad.arc", damaged);
    SCOPED_TRACE(blocks);
    EXPECT_EQ(Run("test -q bad.arc").Status, 1);
    EXPECT_EQ(Run("extract bad.arc -q -d bad").Status, 1);
    EXPECT_FALSE(Exists(Dir / "bad"));
  }
  EXPECT_EQ(blocks, 13);  // two streams for each of six full pieces, one for the rest
}

TEST_F(ArcToolTest, LevelNoneIsSaidToBeUncheckable) {
  Text("a.txt", 40000, 3);
  Result r = Run("create --help");
  EXPECT_NE(r.Out.find("cannot be checked"), std::string::npos) << r.Out;
  ASSERT_EQ(Run("create x.arc -q -l none a.txt").Status, 0);
  r = Run("test x.arc");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("4 stored blocks unchecked"), std::string::npos) << r.Out;  // three pieces and the list
  r = Run("list x.arc");
  EXPECT_NE(r.Out.find("Stored blocks: 4 of 4"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("cannot be checked"), std::string::npos) << r.Out;
  // An installer made of it is made, with a warning.
  WriteFile(Dir / "stub.exe", PeStub());
  r = Run("installer --stub stub.exe -o setup.exe x.arc");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Err.find("warning: x.arc has 4 stored blocks"), std::string::npos) << r.Err;
  ASSERT_EQ(Run("create y.arc -q a.txt").Status, 0);
  EXPECT_EQ(Run("installer --stub stub.exe -o setup.exe y.arc").Err, "");
}

TEST_F(ArcToolTest, FileAndArchiveErrorsExitOneWithMessageAndFile) {
  Text("a.txt", 10);
  Result r = Run("create x.arc a.txt missing.txt");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "velto-arc: Cannot read file: missing.txt\n");
  r = Run("list nothing.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "velto-arc: nothing.arc: no such archive file\n");
  WriteFile(Dir / "junk.arc", std::string("\x05\0\0\0abcde\x10\0\0\0\x01\0\0\0\x09\0\0\0FILE:LIST\0\0\0\0XXXX", 38));
  r = Run("list junk.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "velto-arc: Invalid archive type: junk.arc\n");
  r = Run("test junk.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("junk.arc: bad data signature"), std::string::npos) << r.Err;
  r = Run("extract junk.arc -d out");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("junk.arc"), std::string::npos) << r.Err;
  r = Run("create no/such/dir/x.arc a.txt");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "velto-arc: Cannot write to archive: no/such/dir/x.arc\n");
}

TEST_F(ArcToolTest, WrongUsageExitsTwoAndHelpWorksForEveryCommand) {
  Text("a.txt", 10);
  for (const char* args :
       {"", "frob", "create", "create x.arc", "create x.arc -l fastestest a.txt", "create x.arc -j 0 a.txt",
        "create x.arc --volume-size 100 a.txt", "create x.arc --bogus a.txt", "create x.arc -t", "list", "list a b",
        "test", "extract x.arc --mode sometimes", "installer x.arc", "installer --stub s.exe x.arc"}) {
    Result r = Run(args);
    EXPECT_EQ(r.Status, 2) << args;
    EXPECT_NE(r.Err.find("Try 'velto-arc"), std::string::npos) << args << ": " << r.Err;
  }
  Result r = Run("create x.arc --volume-size 100 a.txt");
  EXPECT_NE(r.Err.find("--volume-size must be at least 16412 bytes"), std::string::npos) << r.Err;
  for (const char* command : {"create", "list", "test", "extract", "installer"}) {
    r = Run(std::string(command) + " --help");
    EXPECT_EQ(r.Status, 0) << command;
    EXPECT_EQ(r.Out.rfind("Usage: velto-arc " + std::string(command), 0), 0u) << r.Out;
  }
  r = Run("--help");
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("Exit status: 0 success, 1 archive or file error, 2 wrong usage"), std::string::npos);
}

TEST_F(ArcToolTest, VolumesAreFollowedAndAMissingOneFailsCleanlyWithoutATerminal) {
  std::string big = Text("big.txt", 300000, 7);
  Result r = Run("create v.arc --volume-size 16500 -l none big.txt");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("volumes"), std::string::npos);
  EXPECT_LE(ReadFile(Dir / "v.arc").size(), 16500u);
  r = Run("test v.arc");
  EXPECT_EQ(r.Status, 0) << r.Err;
  r = Run("extract v.arc -d out -q");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(ReadFile(Dir / "out/big.txt") == big);
  std::rename((Dir / "v.003").c_str(), (Dir / "gone").c_str());
  r = Run("extract v.arc -d out2");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("velto-arc: volume " + Dir.Path() + "/v.003 is missing and there is no terminal"),
            std::string::npos)
      << r.Err;
  r = Run("test v.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("v.003 is missing"), std::string::npos) << r.Err;
}

// A tiny PE image: "MZ", the PE header's offset, "PE\0\0", a COFF header
// naming a PE32+ optional header of 240 bytes with 16 data directories, all
// zero.
std::string PeStub() {
  std::string s(0x40 + 4 + 20 + 112 + 16 * 8, '\0');
  s[0] = 'M', s[1] = 'Z';
  s[0x3C] = 0x40;
  s.replace(0x40, 4, std::string("PE\0\0", 4));
  s[0x40 + 4 + 16] = char(112 + 16 * 8);
  size_t optional = 0x40 + 24;
  s[optional] = 0x0B, s[optional + 1] = 0x02;
  s[optional + 108] = 16;
  return s;
}

TEST_F(ArcToolTest, InstallerIsAMultipleOfEightAndIsReadThroughItsTrailerAlsoWhenSigned) {
  std::string a = Text("a.txt", 3000);
  ASSERT_EQ(Run("create x.arc -q 'a.txt=c:\\rel\\a.txt'").Status, 0);
  std::string archive = ReadFile(Dir / "x.arc");
  for (int extra = 0; extra < 8; ++extra) {
    WriteFile(Dir / "stub.exe", PeStub() + std::string(size_t(extra), 'x'));
    Result r = Run("installer --stub stub.exe -o setup.exe x.arc");
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::string setup = ReadFile(Dir / "setup.exe");
    EXPECT_EQ(setup.size() % 8, 0u);
    uint32_t start = archive::LoadLE32(reinterpret_cast<const unsigned char*>(setup.data() + setup.size() - 4));
    EXPECT_EQ(setup.substr(start, archive.size()), archive);
    EXPECT_EQ(setup.substr(0, PeStub().size() + size_t(extra)), PeStub() + std::string(size_t(extra), 'x'));
    EXPECT_EQ(setup.substr(PeStub().size() + size_t(extra), start - PeStub().size() - size_t(extra)),
              std::string(start - PeStub().size() - size_t(extra), '\0'));
  }
  // Signed: a certificate table appended and named in data directory 4.
  std::string setup = ReadFile(Dir / "setup.exe");
  size_t dir4 = 0x40 + 24 + 112 + 4 * 8;
  uint32_t offset = uint32_t(setup.size()), size = 24;
  archive::StoreLE32(reinterpret_cast<unsigned char*>(setup.data() + dir4), offset);
  archive::StoreLE32(reinterpret_cast<unsigned char*>(setup.data() + dir4 + 4), size);
  WriteFile(Dir / "signed.exe", setup + std::string(size, '\x33'));
  for (const char* file : {"setup.exe", "signed.exe"}) {
    Result r = Run(std::string("list ") + file);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("c:\\rel\\a.txt  "), std::string::npos) << r.Out;
    EXPECT_EQ(Run(std::string("test ") + file).Status, 0);
    r = Run(std::string("extract -q -d ") + file + ".out " + file);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(ReadFile(Dir / (std::string(file) + ".out/a.txt")), a);
  }
  // A volume set cannot become an installer.
  Text("big.txt", 100000);
  ASSERT_EQ(Run("create v.arc -q -l none --volume-size 20000 big.txt").Status, 0);
  Result r = Run("installer --stub stub.exe -o s2.exe v.arc");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("single-volume"), std::string::npos) << r.Err;
}

TEST_F(ArcToolTest, NamesArePrintedAndTypedInTheTerminalsEncoding) {
  Text("a.txt", 10);
  // Typed in UTF-8 (spelled in bytes: the sources are compiled to
  // Windows-1252), stored in Windows-1252.
  Result r = Run("create x.arc -q -l none -t 'Citt\xC3\xA0' 'a.txt=c:\\citt\xC3\xA0\\a.txt'");
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::string archive = ReadFile(Dir / "x.arc");
  EXPECT_EQ(archive.substr(0, 9), std::string("\x05\0\0\0Citt\xE0", 9));
  EXPECT_NE(archive.find("c:\\citt\xE0\\a.txt"), std::string::npos);
  r = Run("list x.arc");
  EXPECT_NE(r.Out.find("Title: Citt\xC3\xA0\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("c:\\citt\xC3\xA0\\a.txt  "), std::string::npos) << r.Out;
  // A terminal that is not UTF-8 gets the bytes as they are.
  r = Run("list x.arc", "C");
  EXPECT_NE(r.Out.find("Title: Citt\xE0\n"), std::string::npos) << r.Out;
  // A character outside the code page is wrong usage.
  r = Run("create y.arc -t '\xD0\x96' a.txt");
  EXPECT_EQ(r.Status, 2);
}

}  // namespace
