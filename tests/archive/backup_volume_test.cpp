// Restoring archives spread over several volume files, built by hand.
#include "archive/volumes.h"
#include "runtime/exceptions.h"
#include "tests/archive/restore_fixture.h"

using namespace testarchive;

namespace {

const std::string kPromptBox2 = "Please insert disk 2 and click OK to continue.";

class VolumeTest : public ArchiveTest {
 protected:
  // setup.arc: the list, a.txt whole, b.bin's first block, then NEXT:DISK002.
  // setup.002: b.bin's last block, c.bin's first block, NEXT:DISK003.
  // setup.003: c.bin's last block (a damaged zlib stream: passing it over is
  // fine, decompressing it is a compression error), d.txt, end marker.
  void MakeThreeVolumes() {
    std::string broken = ArchiveBuilder::Compress(C2);
    broken[broken.size() - 2] ^= 0x11;
    ArchiveBuilder v1, v2, v3;
    v1.Header("split", 100000, 4).Entry("FILE:LIST", kDate2005, "list\r\n").Entry("c:\\r\\a.txt", kDate2005, "whole");
    v1.EntryHead("c:\\r\\b.bin", kDate2005 + 2).Signature().CompressedBlock(B1).Terminator().Continuation("002");
    v2.Signature().StoredBlock(B2).Terminator();
    v2.EntryHead("c:\\r\\c.bin", kDate2005).Signature().CompressedBlock(C1).Terminator().Continuation("003");
    v3.Signature().Int32(int32_t(broken.size())).Raw(broken).Terminator();
    v3.Entry("c:\\r\\d.txt", kDate2005, "last").End();
    Put("c:\\vol\\setup.arc", v1.Bytes());
    Put("c:\\vol\\setup.002", v2.Bytes());
    Put("c:\\vol\\setup.003", v3.Bytes());
  }
  // OnRestoreFile skips c.bin.
  void SkipC() {
    Backup->OnRestoreFile = [this](TObject*, std::string& Name, int32_t, bool& DoRestore) {
      Events.push_back("restore " + Name);
      if (Name == "c:\\d\\c.bin") DoRestore = false;
    };
  }

  std::string B1 = PatternBytes(16384, 21), B2 = PatternBytes(5000, 22, false);
  std::string C1 = PatternBytes(16384, 23), C2 = PatternBytes(100, 24);
};

TEST_F(VolumeTest, RestoresAcrossThreeVolumesPromptingOncePerVolume) {
  MakeThreeVolumes();
  RecordEvents();
  SkipC();
  EXPECT_TRUE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(Get("c:\\d\\a.txt"), "whole");
  EXPECT_EQ(Get("c:\\d\\b.bin"), B1 + B2);
  EXPECT_EQ(Age("c:\\d\\b.bin"), kDate2005 + 2);
  EXPECT_FALSE(Exists("c:\\d\\c.bin"));
  EXPECT_EQ(Get("c:\\d\\d.txt"), "last");
  EXPECT_EQ(Backup->RestoredCount(), 3);  // b.bin counts once
  EXPECT_EQ(Backup->ErrorCode(), beNone);

  // Both volumes were present, and each was still asked for once.
  ASSERT_EQ(Dialogs.Boxes.size(), 2u);
  EXPECT_EQ(Dialogs.Boxes[0].Text, kPromptBox2);
  EXPECT_EQ(Dialogs.Boxes[0].Caption, "Information");
  EXPECT_EQ(Dialogs.Boxes[0].Flags, platform::mbOKCancel | platform::mbIconInformation);
  EXPECT_EQ(Dialogs.Boxes[1].Text, "Please insert disk 3 and click OK to continue.");

  EXPECT_EQ(std::count(Events.begin(), Events.end(), "restored c:\\d\\b.bin"), 2);
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "restore c:\\d\\b.bin"), 1);
  EXPECT_EQ(std::count_if(Events.begin(), Events.end(),
                          [](const std::string& e) { return e.rfind("progress c:\\d\\c.bin", 0) == 0; }),
            0);
  // Every volume was opened for reading once and closed again.
  EXPECT_EQ(Files.OpenStreams, 0);
  EXPECT_EQ(std::count(Files.Opened.begin(), Files.Opened.end(), "r c:\\vol\\setup.002"), 1);
  EXPECT_EQ(std::count(Files.Opened.begin(), Files.Opened.end(), "r c:\\vol\\setup.003"), 1);
  EXPECT_EQ(std::count(Files.Opened.begin(), Files.Opened.end(), "w c:\\d\\b.bin"), 2);
}

TEST_F(VolumeTest, SkippedEntryIsDecompressedWhenRestoredSoTheDamageShows) {
  // The counterpart of the test above: restoring c.bin reaches its damaged
  // block, which proves that the skip really passed it over.
  MakeThreeVolumes();
  EXPECT_FALSE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beCompressionError);
  EXPECT_EQ(Get("c:\\d\\c.bin").substr(0, 16384), C1);
}

TEST_F(VolumeTest, OnNeedDiskReplacesThePrompt) {
  MakeThreeVolumes();
  SkipC();
  std::vector<int> disks;
  Backup->OnNeedDisk = [&](TObject* Sender, uint16_t DiskID, bool& Continue) {
    EXPECT_EQ(Sender, Backup.get());
    EXPECT_TRUE(Continue);
    disks.push_back(DiskID);
  };
  EXPECT_TRUE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(disks, (std::vector<int>{2, 3}));
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(VolumeTest, AsksAgainUntilTheVolumeIsThere) {
  MakeThreeVolumes();
  SkipC();
  std::string v2 = Get("c:\\vol\\setup.002");
  std::filesystem::remove(Host.NativePath("c:\\vol\\setup.002"));
  int asked = 0;
  Backup->OnNeedDisk = [&](TObject*, uint16_t, bool&) {
    if (++asked == 3) Put("c:\\vol\\setup.002", v2);  // the user finally inserts it
  };
  EXPECT_TRUE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(asked, 4);  // three for volume 2, one for volume 3
  EXPECT_EQ(Get("c:\\d\\b.bin"), B1 + B2);
}

TEST_F(VolumeTest, CancelAtThePromptEndsWithFalseAndNoMessage) {
  MakeThreeVolumes();
  RecordEvents();
  Dialogs.Answers = {platform::idCancel};
  EXPECT_FALSE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beNone);
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);  // the prompt only
  EXPECT_EQ(Dialogs.Boxes[0].Text, kPromptBox2);
  EXPECT_EQ(Events.back(), "progress  100");
  EXPECT_EQ(std::count_if(Events.begin(), Events.end(), [](auto& e) { return e.rfind("error", 0) == 0; }), 0);
  // The file being continued keeps its first part, with its stored date.
  EXPECT_EQ(Get("c:\\d\\b.bin"), B1);
  EXPECT_EQ(Age("c:\\d\\b.bin"), kDate2005 + 2);
  EXPECT_FALSE(Exists("c:\\d\\d.txt"));
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(VolumeTest, OnNeedDiskCancelEndsWithFalse) {
  MakeThreeVolumes();
  Backup->OnNeedDisk = [](TObject*, uint16_t, bool& Continue) { Continue = false; };
  EXPECT_FALSE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beNone);
  EXPECT_TRUE(Dialogs.Boxes.empty());
  EXPECT_EQ(Backup->RestoredCount(), 2);
}

TEST_F(VolumeTest, VolumeNumberTenNamesDotZeroOneZeroAndDiskTen) {
  ArchiveBuilder v1, v10;
  v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
  v1.Continuation("010");
  v10.Signature().StoredBlock("def").Terminator().End();
  Put("c:\\vol\\setup.arc", v1.Bytes());
  Put("c:\\vol\\setup.010", v10.Bytes());
  EXPECT_TRUE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(Dialogs.Boxes[0].Text, "Please insert disk 10 and click OK to continue.");
  EXPECT_EQ(Get("c:\\d\\x.txt"), "abcdef");

  uint16_t disk = 0;
  Backup->OnNeedDisk = [&](TObject*, uint16_t DiskID, bool&) { disk = DiskID; };
  EXPECT_TRUE(Backup->Restore("c:\\vol\\setup.arc", "c:\\d"));
  EXPECT_EQ(disk, 10);
}

TEST_F(VolumeTest, ArchiveNameWithoutExtensionGetsOneAppended) {
  ArchiveBuilder v1, v2;
  v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
  v1.Continuation("002");
  v2.Signature().StoredBlock("def").Terminator().End();
  Put("c:\\vol.d\\setup", v1.Bytes());
  Put("c:\\vol.d\\setup.002", v2.Bytes());
  EXPECT_TRUE(Backup->Restore("c:\\vol.d\\setup", "c:\\d"));
  EXPECT_EQ(Get("c:\\d\\x.txt"), "abcdef");
}

TEST_F(VolumeTest, MarkerBeforeTheFirstEntryPassesItsDataOver) {
  ArchiveBuilder v1, v2;
  v1.Header("", 3, 1).Continuation("002");
  v2.Signature().StoredBlock("orphan").Terminator().Entry("c:\\r\\x.txt", kDate2005, "xyz").End();
  Put("c:\\vol\\s.arc", v1.Bytes());
  Put("c:\\vol\\s.002", v2.Bytes());
  EXPECT_TRUE(Backup->Restore("c:\\vol\\s.arc", "c:\\d"));
  EXPECT_EQ(Get("c:\\d\\x.txt"), "xyz");
  EXPECT_EQ(Backup->RestoredCount(), 1);
}

TEST_F(VolumeTest, MarkerInTheCallersStreamEndsWithErrorAndKeepsTheStream) {
  RecordEvents();
  ArchiveBuilder v1;
  v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
  v1.Continuation("002");
  Put("c:\\vol\\s.arc", v1.Bytes());
  Put("c:\\vol\\s.002", ArchiveBuilder().Signature().StoredBlock("def").Terminator().End().Bytes());
  auto stream = Host.OpenFile("c:\\vol\\s.arc", fmOpenRead | fmShareDenyNone);
  EXPECT_FALSE(Backup->RestoreFromStream(stream.get(), "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beInvalidArchive);
  EXPECT_EQ(Get("c:\\d\\x.txt"), "abc");
  std::vector<std::string> tail(Events.end() - 2, Events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"progress  100", "error 5 Invalid archive type"}));
  EXPECT_EQ(std::count(Files.Opened.begin(), Files.Opened.end(), "r c:\\vol\\s.002"), 0);
  // The caller's stream is still open and usable, left after the marker.
  EXPECT_EQ(stream->Position(), int64_t(v1.Size()));
  EXPECT_EQ(stream->Seek(0, TSeekOrigin::soBeginning), 0);
  EXPECT_EQ(stream->ReadInt32(), 0);
}

TEST_F(VolumeTest, MalformedMarkerIsAnInvalidArchive) {
  ArchiveBuilder v1;
  v1.Header("", 0, 0).Text("NEXT:DISKa2b");
  Put("c:\\vol\\s.arc", v1.Bytes());
  try {
    Backup->Restore("c:\\vol\\s.arc", "c:\\d");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid archive type");
  }
  EXPECT_TRUE(Dialogs.Boxes.empty());
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(VolumeTest, ProgressGoesOnInTheNextVolume) {
  ArchiveBuilder v1, v2;
  v1.Header("", 8, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abcd").Terminator();
  v1.Continuation("002");
  v2.Signature().StoredBlock("ef").StoredBlock("gh").Terminator().End();
  Put("c:\\vol\\s.arc", v1.Bytes());
  Put("c:\\vol\\s.002", v2.Bytes());
  RecordEvents();
  EXPECT_TRUE(Backup->Restore("c:\\vol\\s.arc", "c:\\d"));
  std::vector<std::string> expected = {
      "restore c:\\d\\x.txt",      "progress c:\\d\\x.txt 50", "progress c:\\d\\x.txt 50",
      "restored c:\\d\\x.txt",     "progress c:\\d\\x.txt 75", "progress c:\\d\\x.txt 100",
      "progress c:\\d\\x.txt 100", "restored c:\\d\\x.txt",    "progress  100",
  };
  EXPECT_EQ(Events, expected);
}

TEST_F(VolumeTest, ReaderLooksForTheVolumeTheWriterNames) {
  // A dot in a folder is no extension, whether the path uses "/" or "\".
  for (std::string name : {"c:/my.dir/setup", "c:/d.x/arc", "c:\\vol.d\\setup", "c:/v/set.arc"}) {
    ArchiveBuilder v1, v2;
    v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
    v1.Continuation("002");
    v2.Signature().CompressedBlock("def").Terminator().End();
    Put(name, v1.Bytes());
    Put(archive::VolumeFileName(name, 2), v2.Bytes());
    int asked = 0;
    Backup->OnNeedDisk = [&](TObject*, uint16_t, bool& Continue) { Continue = ++asked < 3; };
    EXPECT_TRUE(Backup->Restore(name, "c:\\d")) << name;
    EXPECT_EQ(asked, 1) << name;
    EXPECT_EQ(Get("c:\\d\\x.txt"), "abcdef") << name;
  }
}

// ---- Regression tests: continuation markers, the file list and failures ----

TEST_F(VolumeTest, MarkerNamingTheCurrentOrAnEarlierVolumeIsInvalidInsteadOfALoop) {
  for (const char* again : {"002", "001", "000"}) {
    SCOPED_TRACE(again);
    ArchiveBuilder v1, v2;
    v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
    v1.Continuation("002");
    v2.Signature().StoredBlock("def").Terminator().Continuation(again);
    Put("c:\\vol\\s.arc", v1.Bytes());
    Put("c:\\vol\\s.002", v2.Bytes());
    int asked = 0;
    Backup->OnNeedDisk = [&](TObject*, uint16_t, bool& Continue) { Continue = ++asked < 5; };
    try {
      Backup->Restore("c:\\vol\\s.arc", "c:\\d");
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid archive type");
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Get("c:\\d\\x.txt"), "abcdef");
    EXPECT_EQ(Files.OpenStreams, 0);
  }
}

TEST_F(VolumeTest, WriteFailureInTheNextVolumeIsError1AndTheFileIsClosedAndDated) {
  ArchiveBuilder v1, v2;
  v1.Header("", 6, 1).EntryHead("c:\\r\\x.txt", kDate2005).Signature().StoredBlock("abc").Terminator();
  v1.Continuation("002");
  v2.Signature().StoredBlock("def").Terminator().End();
  Put("c:\\vol\\s.arc", v1.Bytes());
  Put("c:\\vol\\s.002", v2.Bytes());
  RecordEvents();
  Backup->OnNeedDisk = [](TObject*, uint16_t, bool&) {};
  Files.WriteLimit = 3;  // the disk is full after the first volume's bytes
  EXPECT_FALSE(Backup->Restore("c:\\vol\\s.arc", "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
  EXPECT_EQ(Backup->ErrorFileName(), "c:\\d\\x.txt");
  EXPECT_EQ(Get("c:\\d\\x.txt"), "abc");
  EXPECT_EQ(Age("c:\\d\\x.txt"), kDate2005);
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "restored c:\\d\\x.txt"), 2);
  std::vector<std::string> tail(Events.end() - 2, Events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"progress  100", "error 1 Cannot read file"}));
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(VolumeTest, FileListGoingOnInTheNextVolumeIsAnUnreadableList) {
  const std::string lineA = "c:\\a\t851533824=0\r\n", lineB = "c:\\b\t851533824=0\r\n";
  struct Case {
    bool Spills;  // b's line is in volume 2, else volume 2 starts empty
  } cases[] = {{true}, {false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Spills ? "spills" : "ends in volume 1");
    ArchiveBuilder v1, v2;
    v1.Header("t", 36, 2).EntryHead("FILE:LIST", kDate2005).Signature().StoredBlock(lineA);
    if (!c.Spills) v1.StoredBlock(lineB);
    v1.Terminator().Continuation("002");
    v2.Signature();
    if (c.Spills) v2.StoredBlock(lineB);
    v2.Terminator().Entry("c:\\a", kDate2005, "").Entry("c:\\b", kDate2005, "").End();
    Put("c:\\vol\\s.arc", v1.Bytes());
    Put("c:\\vol\\s.002", v2.Bytes());
    RecordEvents();
    Events.clear();
    TStringList list;
    std::string title;
    Backup->ReadArchiveInfo("c:\\vol\\s.arc", &list, title);
    EXPECT_EQ(title, "t");
    EXPECT_EQ(list.Count(), c.Spills ? 0 : 2);
    EXPECT_EQ(Events, c.Spills ? std::vector<std::string>{"error 5 Invalid archive type"} : std::vector<std::string>{});
    // The same from a stream over the first volume, as the tool reads it.
    auto stream = Host.OpenFile("c:\\vol\\s.arc", fmOpenRead | fmShareDenyNone);
    Events.clear();
    Backup->ReadArchiveInfoFromStream(stream.get(), &list, title);
    EXPECT_EQ(Events.size(), c.Spills ? 1u : 0u);
  }
}

}  // namespace
