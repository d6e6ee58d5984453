// Hostile input: every truncation of a valid archive, a stream that hands
// out one byte per read, and archives with bytes flipped. Nothing may crash,
// hang, succeed on a damaged archive or write outside the destination.
#include <random>

#include "runtime/exceptions.h"
#include "tests/archive/one_byte_stream.h"
#include "tests/archive/restore_fixture.h"

using namespace testarchive;

namespace {

std::string Repeated(const std::string& Unit, size_t Size) {
  std::string s;
  while (s.size() < Size) s += Unit;
  s.resize(Size);
  return s;
}

const std::vector<FileSpec> kSmall = {
    {"c:\\src\\two-blocks.txt", kDate2005, Repeated("Velto cerca nel web. ", 17000)},
    {"c:\\src\\empty.dat", kDate2005, ""},
    {"c:\\src\\sub\\tiny.txt", kDate2005 + 2, "tiny"},
};

class HostileTest : public ArchiveTest {
 protected:
  // Every file below the temporary folder that is neither an archive put
  // there by the test nor inside c:\dest.
  std::vector<std::string> FilesOutsideDest() {
    std::vector<std::string> out;
    for (const auto& f : AllFiles())
      if (f.rfind("drives/c/dest/", 0) != 0 && f != "drives/c/a.arc") out.push_back(f);
    return out;
  }
};

TEST_F(HostileTest, EveryProperPrefixFailsVisiblyAndStaysInsideTheDestination) {
  std::string full = MakeArchive("sweep", kSmall);
  ASSERT_LT(full.size(), 2000u);
  // Title, totals, the list's head, signature, one block and the terminator.
  std::string list = FileListText(kSmall);
  size_t infoEnd = 4 + 5 + 8 + 4 + 9 + 4 + 4 + 4 + ArchiveBuilder::Compress(list).size() + 4;
  int reportedErrors = 0;
  Backup->OnError = [&](TObject*, int32_t, const std::string&) { ++reportedErrors; };
  Backup->RestoreFullPath = true;

  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
    std::string prefix = full.substr(0, n);
    std::string archive = Put("c:\\a.arc", prefix);

    reportedErrors = 0;
    bool failedVisibly = false;
    try {
      bool ok = Backup->Restore(archive, "c:\\dest");
      EXPECT_FALSE(ok);
      failedVisibly = !ok && reportedErrors == 1 && Backup->ErrorCode() != beNone;
    } catch (const Exception&) {
      failedVisibly = reportedErrors == 0;
    }
    EXPECT_TRUE(failedVisibly);
    EXPECT_FALSE(Backup->Busy());
    EXPECT_EQ(Files.OpenStreams, 0);

    TMemoryStream stream(std::vector<uint8_t>(prefix.begin(), prefix.end()));
    EXPECT_FALSE(Backup->RestoreFromStream(&stream, "c:\\dest"));

    reportedErrors = 0;
    TStringList info;
    std::string title;
    Backup->ReadArchiveInfo(archive, &info, title);
    if (n < infoEnd) {
      EXPECT_EQ(reportedErrors, 1);
      EXPECT_EQ(Backup->ErrorCode(), beInvalidArchive);
    } else {
      // Header and list are whole: reading them is right to succeed.
      EXPECT_EQ(reportedErrors, 0);
      EXPECT_EQ(title, "sweep");
      EXPECT_EQ(info.Count(), 3);
    }
  }
  EXPECT_EQ(FilesOutsideDest(), std::vector<std::string>{});
  // And the whole archive does restore, so the failures above are the cuts'.
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", full), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\src\\two-blocks.txt"), kSmall[0].Content);
}

TEST_F(HostileTest, EveryProperPrefixFailsVisiblyWhileEntriesArePassedOver) {
  // The skip path: entries passed over by seeking, as when the handler or
  // the restore mode declines every file, and the header read alone.
  std::string full = MakeArchive("skip", kSmall);
  std::string list = FileListText(kSmall);
  size_t infoEnd = 4 + 4 + 8 + 4 + 9 + 4 + 4 + 4 + ArchiveBuilder::Compress(list).size() + 4;
  int reportedErrors = 0;
  Backup->OnError = [&](TObject*, int32_t, const std::string&) { ++reportedErrors; };
  Backup->OnRestoreFile = [](TObject*, std::string&, int32_t, bool& DoRestore) { DoRestore = false; };
  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
    std::string prefix = full.substr(0, n);
    std::string archive = Put("c:\\a.arc", prefix);
    reportedErrors = 0;
    bool failedVisibly = false;
    try {
      failedVisibly = !Backup->Restore(archive, "c:\\dest") && reportedErrors == 1;
    } catch (const Exception&) {
      failedVisibly = reportedErrors == 0;
    }
    EXPECT_TRUE(failedVisibly);
    EXPECT_EQ(Files.OpenStreams, 0);

    // The installer's way in: the list read from a stream.
    TMemoryStream stream(std::vector<uint8_t>(prefix.begin(), prefix.end()));
    reportedErrors = 0;
    TStringList info;
    std::string title = "old";
    Backup->ReadArchiveInfoFromStream(&stream, &info, title);
    EXPECT_EQ(reportedErrors, n < infoEnd ? 1 : 0);
    EXPECT_EQ(info.Count(), n < infoEnd ? 0 : 3);
    if (n >= 4 + 4) {
      EXPECT_EQ(title, "skip");
    }
  }
  EXPECT_EQ(FilesOutsideDest(), std::vector<std::string>{});
  Backup->OnRestoreFile = nullptr;
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", full), "c:\\dest"));
}

TEST_F(HostileTest, OneByteAtATimeGivesTheSameResults) {
  std::string full = MakeArchive("bytewise", kSmall);
  std::vector<std::string> expected, got;
  Backup->OnProgress = [&](TObject*, const std::string& Name, TPercentage P, bool&) {
    expected.push_back(Name + " " + std::to_string(P));
  };
  TMemoryStream whole(std::vector<uint8_t>(full.begin(), full.end()));
  ASSERT_TRUE(Backup->RestoreFromStream(&whole, "c:\\out"));
  std::filesystem::remove_all(Host.NativePath("c:\\out"));

  Backup->OnProgress = [&](TObject*, const std::string& Name, TPercentage P, bool&) {
    got.push_back(Name + " " + std::to_string(P));
  };
  OneByteStream slow(full);
  ASSERT_TRUE(Backup->RestoreFromStream(&slow, "c:\\out"));
  EXPECT_EQ(got, expected);
  EXPECT_EQ(Get("c:\\out\\two-blocks.txt"), kSmall[0].Content);
  EXPECT_EQ(Get("c:\\out\\tiny.txt"), "tiny");
  EXPECT_EQ(Backup->RestoredCount(), 3);

  OneByteStream slowInfo(full);
  TStringList list;
  std::string title;
  Backup->ReadArchiveInfoFromStream(&slowInfo, &list, title);
  EXPECT_EQ(title, "bytewise");
  EXPECT_EQ(list.Text(), FileListText(kSmall));
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(HostileTest, FlippedBytesNeverEscapeTheDestination) {
  std::string full = MakeArchive("flips", kSmall);
  std::mt19937 rng(20050618);
  Backup->OnError = [](TObject*, int32_t, const std::string&) {};
  int succeeded = 0;
  for (int round = 0; round < 400; ++round) {
    std::string damaged = full;
    int flips = 1 + int(rng() % 3);
    for (int i = 0; i < flips; ++i) damaged[rng() % damaged.size()] ^= char(1 << (rng() % 8));
    Backup->RestoreFullPath = round % 2 == 0;
    try {
      if (Backup->Restore(Put("c:\\a.arc", damaged), "c:\\dest")) ++succeeded;
    } catch (const Exception&) {
    }
    ASSERT_FALSE(Backup->Busy());
    ASSERT_EQ(Files.OpenStreams, 0);
    TStringList list;
    std::string title;
    TMemoryStream stream(std::vector<uint8_t>(damaged.begin(), damaged.end()));
    Backup->ReadArchiveInfoFromStream(&stream, &list, title);
  }
  EXPECT_EQ(FilesOutsideDest(), std::vector<std::string>{});
  EXPECT_LT(succeeded, 400);  // most flips are noticed
}

}  // namespace
