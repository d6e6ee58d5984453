// The pieces of velto-arc that need no program run: text conversion, the
// FILE argument split, installer images and the archive checker.
#include <gtest/gtest.h>

#include "archive/format.h"
#include "archive/payload.h"
#include "runtime/exceptions.h"
#include "tests/archive/one_byte_stream.h"
#include "tools/arc_commands.h"
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

TEST(InstallerImage, PaddingMakesTheWholeFileAMultipleOfEight) {
  for (int64_t stub = 0; stub < 20; ++stub)
    for (int64_t archive = 12; archive < 30; ++archive) {
      int64_t pad = archive::InstallerPadding(stub, archive);
      EXPECT_GE(pad, 0);
      EXPECT_LT(pad, 8);
      EXPECT_EQ((stub + pad + archive + 4) % 8, 0);
    }
}

TEST(InstallerImage, WritesStubPaddingArchiveAndTrailerAndFindsTheStart) {
  TMemoryStream stub(std::vector<uint8_t>{'M', 'Z', 1, 2, 3});
  std::vector<uint8_t> archiveBytes = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  TMemoryStream archive(archiveBytes), out;
  archive::WriteInstaller(stub, archive, out);
  const auto& b = out.Bytes();
  ASSERT_EQ(b.size() % 8, 0u);
  uint32_t start = archive::LoadLE32(&b[b.size() - 4]);
  EXPECT_EQ(start, 5u + 7u);  // 5 + 7 + 16 + 4 = 32
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 5, b.begin() + 12), std::vector<uint8_t>(7, 0));
  int64_t found = -1;
  ASSERT_TRUE(archive::FindArchiveStart(out, found));
  EXPECT_EQ(found, 12);
  // A plain archive starts at 0; an executable with a trailer pointing
  // nowhere sensible is refused.
  TMemoryStream plain(archiveBytes);
  ASSERT_TRUE(archive::FindArchiveStart(plain, found));
  EXPECT_EQ(found, 0);
  TMemoryStream bogus(std::vector<uint8_t>{'M', 'Z', 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_FALSE(archive::FindArchiveStart(bogus, found));
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

  TMemoryStream stub(std::vector<uint8_t>{'M', 'Z', 1, 2, 3}), archive(bytes), installer;
  archive::WriteInstaller(stub, archive, installer);
  testarchive::OneByteStream trickle(std::string(installer.Bytes().begin(), installer.Bytes().end()));
  int64_t found = -1;
  ASSERT_TRUE(archive::FindArchiveStart(trickle, found));
  EXPECT_EQ(found, 5 + archive::InstallerPadding(5, int64_t(bytes.size())));
}

}  // namespace
