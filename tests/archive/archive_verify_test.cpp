// The check of a whole archive before a restore: every flipped byte in any
// block is found, on one thread or several; structural damage is found; a
// sound archive passes and its stored blocks are counted.
#include "archive/archive_verify.h"

#include <gtest/gtest.h>

#include "tests/archive/archive_builder.h"

namespace {

using testarchive::ArchiveBuilder;
using testarchive::kDate2005;
using testarchive::PatternBytes;

archive::TArchiveCheck Verify(const std::string& Bytes, int Threads, const archive::TThreadStarter& Starter = {}) {
  TMemoryStream s(std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
  return archive::VerifyArchive(s, Threads, Starter);
}

// Data over several blocks, a short file and an empty one.
const std::vector<testarchive::FileSpec> kFiles = {{"c:\\r\\velto.exe", kDate2005, PatternBytes(70000, 1)},
                                                   {"c:\\r\\velto.hlp", kDate2005, PatternBytes(40000, 2)},
                                                   {"c:\\r\\vuoto", kDate2005, ""},
                                                   {"c:\\r\\a.ico", kDate2005, "icona"}};

TEST(ArchiveVerifyTest, SoundArchivePassesOnAnyNumberOfThreads) {
  const std::string a = testarchive::MakeArchive("2005 1.0.0.0", kFiles);
  for (int threads : {1, 2, 4}) {
    archive::TArchiveCheck c = Verify(a, threads);
    EXPECT_TRUE(c.Sound) << threads << ": " << c.Why;
    EXPECT_EQ(c.Blocks, 1 + 5 + 3 + 0 + 1);
    EXPECT_EQ(c.StoredBlocks, 0);
  }
}

TEST(ArchiveVerifyTest, AFlippedByteInAnyBlockIsFoundAndNamesItsEntry) {
  const std::string a = testarchive::MakeArchive("t", kFiles);
  const auto spans = testarchive::BlockSpans(a);
  ASSERT_EQ(spans.size(), 10u);
  const char* owners[] = {"FILE:LIST",        "c:\\r\\velto.exe", "c:\\r\\velto.exe", "c:\\r\\velto.exe",
                          "c:\\r\\velto.exe", "c:\\r\\velto.exe", "c:\\r\\velto.hlp", "c:\\r\\velto.hlp",
                          "c:\\r\\velto.hlp", "c:\\r\\a.ico"};
  for (size_t i = 0; i < spans.size(); ++i) {
    // The first and last bytes (zlib header, Adler-32) and one in the middle.
    for (size_t at : {size_t(0), spans[i].second / 2, spans[i].second - 1}) {
      std::string damaged = a;
      damaged[spans[i].first + at] ^= 0x20;
      for (int threads : {1, 3}) {
        archive::TArchiveCheck c = Verify(damaged, threads);
        EXPECT_FALSE(c.Sound) << "block " << i << " byte " << at << " threads " << threads;
        EXPECT_EQ(c.DamagedEntry, owners[i]) << "block " << i << " byte " << at;
      }
    }
  }
}

TEST(ArchiveVerifyTest, BytesAfterABlocksStreamAreDamage) {
  std::string a = testarchive::MakeArchive("t", kFiles);
  const auto span = testarchive::BlockSpans(a)[9];  // a.ico's one block
  a.insert(span.first + span.second, "xy");
  const uint32_t length = uint32_t(span.second + 2);
  for (int i = 0; i < 4; ++i) a[span.first - 4 + i] = char(length >> (8 * i));
  for (int threads : {1, 3}) {
    archive::TArchiveCheck c = Verify(a, threads);
    EXPECT_FALSE(c.Sound) << threads;
    EXPECT_EQ(c.DamagedEntry, "c:\\r\\a.ico") << threads;
  }
}

TEST(ArchiveVerifyTest, StructuralDamageIsFound) {
  const std::string list = testarchive::FileListText({{"c:\\a", kDate2005, "abc"}});
  const int32_t total = static_cast<int32_t>(list.size() + 3);
  auto archiveWith = [&](const std::function<void(ArchiveBuilder&)>& Data, int32_t Total, const std::string& List) {
    ArchiveBuilder b;
    b.Header("t", Total, 1).Entry("FILE:LIST", kDate2005, List).EntryHead("c:\\a", kDate2005).Signature();
    Data(b);
    return b.Terminator().End().Bytes();
  };
  auto good = [](ArchiveBuilder& b) { b.CompressedBlock("abc"); };
  std::string sound = archiveWith(good, total, list);
  ASSERT_TRUE(Verify(sound, 1).Sound);
  std::string stream = ArchiveBuilder().CompressedBlock("abc").Bytes().substr(4);
  const struct {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"header total one too many", archiveWith(good, total + 1, list)},
      {"a size the list does not give",
       archiveWith([](ArchiveBuilder& b) { b.CompressedBlock("abcd"); }, total + 1, list)},
      {"a name the list does not give",
       archiveWith(good, total, testarchive::FileListText({{"c:\\b", kDate2005, "abc"}}))},
      {"bytes after the zlib stream",
       archiveWith([&](ArchiveBuilder& b) { b.Int32(int32_t(stream.size() + 1)).Raw(stream + "x"); }, total, list)},
      {"a stream cut short",
       archiveWith(
           [&](ArchiveBuilder& b) { b.Int32(int32_t(stream.size() - 1)).Raw(stream.substr(0, stream.size() - 1)); },
           total, list)},
      {"a block over 16384 bytes",
       archiveWith([](ArchiveBuilder& b) { b.Int32(16385).Raw(std::string(16385, 'x')); }, total, list)},
      {"a bad data signature", sound.substr(0, sound.rfind("EC2")) + "EC3" + sound.substr(sound.rfind("EC2") + 3)},
      {"a continuation marker", ArchiveBuilder().Header("t", 0, 0).Continuation("002").Bytes()},
      {"no end marker", sound.substr(0, sound.size() - 4)},
      {"a negative title length", ArchiveBuilder().Int32(-5).Int32(0).Int32(0).End().Bytes()},
  };
  for (const auto& c : cases) EXPECT_FALSE(Verify(c.Bytes, 2).Sound) << c.What;
  // Cut at every offset: never sound, never a crash.
  for (size_t cut = 0; cut < sound.size(); ++cut) EXPECT_FALSE(Verify(sound.substr(0, cut), 1).Sound) << cut;
}

TEST(ArchiveVerifyTest, DamageBeforeABreakIsReportedFirstOnAnyNumberOfThreads) {
  std::string a = testarchive::MakeArchive("t", kFiles);
  a[testarchive::BlockSpans(a)[2].first + 10] ^= 0x40;  // velto.exe's second block
  a.resize(a.size() - 30);                              // and the end cut off
  for (int threads : {1, 2, 4}) {
    archive::TArchiveCheck c = Verify(a, threads);
    EXPECT_FALSE(c.Sound);
    EXPECT_EQ(c.DamagedEntry, "c:\\r\\velto.exe") << threads;
    EXPECT_EQ(c.Why, "a damaged block") << threads;
  }
}

TEST(ArchiveVerifyTest, StoredBlocksAreCountedAsUnchecked) {
  std::string list = testarchive::FileListText({{"c:\\a", kDate2005, "stored"}});
  ArchiveBuilder b;
  b.Header("t", int32_t(list.size() + 6), 1)
      .Entry("FILE:LIST", kDate2005, list)
      .Entry("c:\\a", kDate2005, "stored", true)
      .End();
  archive::TArchiveCheck c = Verify(b.Bytes(), 2);
  EXPECT_TRUE(c.Sound) << c.Why;
  EXPECT_EQ(c.Blocks, 2);
  EXPECT_EQ(c.StoredBlocks, 1);
}

TEST(ArchiveVerifyTest, WorkersThatCannotStartLeaveTheSameAnswer) {
  const std::string a = testarchive::MakeArchive("t", kFiles);
  std::string damaged = a;
  damaged[testarchive::BlockSpans(a)[7].first + 3] ^= 1;
  archive::TThreadStarter refuse = [](std::function<void()>) { return platform::TThread(); };
  EXPECT_TRUE(Verify(a, 4, refuse).Sound);
  EXPECT_FALSE(Verify(damaged, 4, refuse).Sound);
}

}  // namespace
