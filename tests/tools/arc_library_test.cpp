// The pieces of velto-arc that need no program run: text conversion, the
// FILE argument split, installer images and the archive checker.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/format.h"
#include "archive/payload.h"
#include "runtime/exceptions.h"
#include "tests/archive/one_byte_stream.h"
#include "tools/arc_commands.h"
#include "tools/arc_options.h"
#include "tools/archive_check.h"
#include "tools/cp1252.h"

namespace {

TEST(Cp1252Text, ConvertsBothWaysIncludingTheEuroAndAccents) {
  // UTF-8 spelled in bytes: the sources are compiled to Windows-1252.
  const std::string utf8 = "Citt\xC3\xA0 \xE2\x82\xAC \xC5\xB8";
  EXPECT_EQ(arc::Utf8FromCp1252("Citt\xE0 \x80 \x9F"), utf8);
  EXPECT_EQ(arc::Utf8FromCp1252("Città"), "Citt\xC3\xA0");
  std::string back;
  ASSERT_TRUE(arc::Cp1252FromUtf8(utf8, back));
  EXPECT_EQ(back, "Citt\xE0 \x80 \x9F");
  // The unassigned bytes survive a round trip.
  ASSERT_TRUE(arc::Cp1252FromUtf8(arc::Utf8FromCp1252("\x81\x8D\x8F\x90\x9D"), back));
  EXPECT_EQ(back, "\x81\x8D\x8F\x90\x9D");
}

TEST(Cp1252Text, RejectsCharactersTheCodePageLacksAndBadUtf8) {
  std::string out;
  EXPECT_FALSE(arc::Cp1252FromUtf8("\xD0\x96", out));          // Cyrillic Zhe
  EXPECT_FALSE(arc::Cp1252FromUtf8("\xC3", out));              // cut short
  EXPECT_FALSE(arc::Cp1252FromUtf8("\xC0\xAF", out));          // overlong '/'
  EXPECT_FALSE(arc::Cp1252FromUtf8("\xF0\x9F\x98\x80", out));  // emoji
}

TEST(SourceSpec, SplitsAtTheFirstEqualsBeforeADrivePath) {
  std::string source, stored;
  arc::SplitSourceSpec("build/velto.exe=c:\\release\\velto.exe", source, stored);
  EXPECT_EQ(source, "build/velto.exe");
  EXPECT_EQ(stored, "c:\\release\\velto.exe");
  arc::SplitSourceSpec("a=1.txt=D:\\x=y", source, stored);
  EXPECT_EQ(source, "a=1.txt");
  EXPECT_EQ(stored, "D:\\x=y");
  arc::SplitSourceSpec("plain=file", source, stored);
  EXPECT_EQ(source, "plain=file");
  EXPECT_EQ(stored, "");
  arc::SplitSourceSpec("x=c:rel", source, stored);  // no backslash: not a stored name
  EXPECT_EQ(source, "x=c:rel");
}

TEST(SourceSpec, AFolderIsStoredAsNamedBelowADriveAndDotDotIsRefused) {
  const std::pair<std::string, std::string> cases[] = {
      {"src", "c:\\src"},     {"./src/", "c:\\src"}, {"a//b/./c", "c:\\a\\b\\c"}, {"/data/src", "c:\\data\\src"},
      {"D:\\src", "d:\\src"}, {".", "c:\\"},         {"../src", "refused"},       {"src/../x", "refused"}};
  for (const auto& [typed, want] : cases) {
    std::string stored;
    EXPECT_EQ(arc::FolderStoredName(typed, stored) ? stored : "refused", want) << typed;
  }
}

TEST(InstallerImage, PaddingMakesTheWholeFileAMultipleOfEight) {
  for (int64_t stub = 0; stub < 20; ++stub)
    for (int64_t archive = 12; archive < 30; ++archive) {
      int64_t pad = archive::InstallerPadding(stub, archive);
      EXPECT_GE(pad, 0);
      EXPECT_LT(pad, 8);
      EXPECT_EQ((stub + pad + archive + 4) % 8, 0);
    }
}

// The smallest stub that is read as an executable: a DOS header whose
// new-header offset (at 0x3C) points at "PE\0\0" right behind it.
std::vector<uint8_t> MinimalPeStub() {
  std::vector<uint8_t> stub(0x44, 0);
  stub[0] = 'M', stub[1] = 'Z', stub[0x3C] = 0x40, stub[0x40] = 'P', stub[0x41] = 'E';
  return stub;
}

TEST(InstallerImage, WritesStubPaddingArchiveAndTrailerAndFindsTheStart) {
  TMemoryStream stub(MinimalPeStub());
  std::vector<uint8_t> archiveBytes = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  TMemoryStream archive(archiveBytes), out;
  archive::WriteInstaller(stub, archive, out);
  const auto& b = out.Bytes();
  ASSERT_EQ(b.size() % 8, 0u);
  uint32_t start = archive::LoadLE32(&b[b.size() - 4]);
  EXPECT_EQ(start, 0x44u + 4u);  // 0x44 + 4 + 20 + 4 = 96
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 0x44, b.begin() + 0x48), std::vector<uint8_t>(4, 0));
  int64_t found = -1;
  ASSERT_TRUE(archive::FindArchiveStart(out, found));
  EXPECT_EQ(found, 0x48);
  // A plain archive starts at 0; an executable with a trailer pointing
  // nowhere sensible is refused.
  TMemoryStream plain(archiveBytes);
  ASSERT_TRUE(archive::FindArchiveStart(plain, found));
  EXPECT_EQ(found, 0);
  std::vector<uint8_t> bogusBytes = MinimalPeStub();
  for (uint8_t b : {0xFF, 0xFF, 0xFF, 0x7F}) bogusBytes.push_back(b);
  TMemoryStream bogus(bogusBytes);
  EXPECT_FALSE(archive::FindArchiveStart(bogus, found));
}

TEST(InstallerImage, ArchiveWhoseTitleLengthReadsMZIsAPlainArchive) {
  // A title of 23117 bytes: the length field is 4D 5A 00 00, "MZ".
  // Then the title, and zeros for the totals and the end marker.
  std::vector<uint8_t> bytes(4 + 23117 + 12, 0);
  bytes[0] = 0x4D;
  bytes[1] = 0x5A;
  std::fill(bytes.begin() + 4, bytes.begin() + 4 + 23117, uint8_t('v'));
  TMemoryStream archive(bytes);
  int64_t found = -1;
  ASSERT_TRUE(archive::FindArchiveStart(archive, found));
  EXPECT_EQ(found, 0);
}

// An archive assembled here byte by byte: header, file list, one entry.
std::vector<uint8_t> HandMadeArchive(const std::vector<std::vector<uint8_t>>& Blocks, const std::string& List) {
  std::vector<uint8_t> a;
  auto i32 = [&](int32_t v) {
    uint8_t b[4];
    archive::StoreLE32(b, uint32_t(v));
    a.insert(a.end(), b, b + 4);
  };
  auto text = [&](const std::string& s) { a.insert(a.end(), s.begin(), s.end()); };
  int32_t size = 0;
  for (auto& b : Blocks) size += int32_t(b.size());
  i32(0), i32(int32_t(List.size()) + size), i32(1);
  i32(9), text("FILE:LIST"), i32(0), text(std::string("EC2\0", 4)), i32(-int32_t(List.size())), text(List), i32(0);
  i32(4), text("c:\\a"), i32(0), text(std::string("EC2\0", 4));
  for (auto& b : Blocks) i32(-int32_t(b.size())), a.insert(a.end(), b.begin(), b.end());
  i32(0), i32(0);
  return a;
}

TEST(ArchiveCheck, AcceptsASoundArchiveAndFindsListMismatchesAndTruncation) {
  std::vector<uint8_t> bytes = HandMadeArchive({{1, 2, 3}}, "c:\\a\t0=3\r\n");
  TMemoryStream sound(bytes);
  arc::TCheckReport r = arc::CheckArchive(sound, nullptr);
  EXPECT_TRUE(r.Ok()) << r.Broken;
  EXPECT_EQ(r.Files, 1);

  TMemoryStream wrongList(HandMadeArchive({{1, 2, 3}}, "c:\\a\t0=4\r\n"));
  r = arc::CheckArchive(wrongList, nullptr);
  ASSERT_FALSE(r.Damaged.empty());

  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    TMemoryStream truncated(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)));
    EXPECT_FALSE(arc::CheckArchive(truncated, nullptr).Ok()) << "cut at " << cut;
  }
}

TEST(ShortReads, CheckerAndInstallerLookupGatherBytesFromAStreamThatTrickles) {
  std::vector<uint8_t> bytes = HandMadeArchive({{1, 2, 3}}, "c:\\a\t0=3\r\n");
  testarchive::OneByteStream plain(std::string(bytes.begin(), bytes.end()));
  arc::TCheckReport r = arc::CheckArchive(plain, nullptr);
  EXPECT_TRUE(r.Ok()) << r.Broken;

  TMemoryStream stub(MinimalPeStub()), archive(bytes), installer;
  archive::WriteInstaller(stub, archive, installer);
  testarchive::OneByteStream trickle(std::string(installer.Bytes().begin(), installer.Bytes().end()));
  int64_t found = -1;
  ASSERT_TRUE(archive::FindArchiveStart(trickle, found));
  EXPECT_EQ(found, 0x44 + archive::InstallerPadding(0x44, int64_t(bytes.size())));
}

}  // namespace

namespace {

// The option reader on the system's getopt_long: values attached or apart,
// options anywhere among the arguments, and the wrong forms named.
TEST(ArcOptions, ReadsEveryFormAndNamesTheWrongOnes) {
  const std::vector<arc::TOptionSpec> specs = {
      {'j', "jobs", true}, {'l', "level", true}, {0, "mode", true}, {'q', "quiet", false}, {0, "full-path", false}};
  struct Case {
    std::vector<std::string> Args;
    std::string Expected;  // "jobs=..;level=..;|positional,..." or the error
  } cases[] = {
      {{"-j2", "a", "-lmax"}, "jobs=2;level=max;|a"},
      {{"a", "-j", "3", "b", "--level", "none"}, "jobs=3;level=none;|a,b"},
      {{"--jobs=4", "--mode=newer", "-q", "a"}, "jobs=4;mode=newer;quiet=;|a"},
      {{"-qj5", "a"}, "jobs=5;quiet=;|a"},
      {{"a", "--", "-j2", "--quiet"}, "|a,-j2,--quiet"},
      {{"--full", "a"}, "full-path=;|a"},  // a unique abbreviation
      {{"-", "a"}, "|-,a"},
      {{"a", "--jobs"}, "option --jobs needs a value"},
      {{"a", "-j"}, "option -j needs a value"},
      {{"--quiet=yes"}, "option --quiet takes no value"},
      {{"-x"}, "unknown option -x"},
      {{"--nope=1", "a"}, "unknown option --nope"},
  };
  for (const Case& c : cases) {
    std::string got;
    try {
      arc::TParsedOptions o(c.Args, specs);
      for (const auto& [name, value] : o.Values) got += name + "=" + value + ";";
      got += "|";
      for (size_t i = 0; i < o.Positional.size(); ++i) got += (i ? "," : "") + o.Positional[i];
    } catch (const arc::EOptionError& e) {
      got = e.Message;
    }
    EXPECT_EQ(got, c.Expected) << c.Args[0];
  }
}

}  // namespace
