// Restoring archives assembled by hand: contents, layout details, restore
// modes, names, events, progress and the error paths.
#include <utime.h>

#include <climits>

#include "archive/format.h"
#include "platform/dostime.h"
#include "runtime/exceptions.h"
#include "tests/archive/restore_fixture.h"

using namespace testarchive;

namespace {

class RestoreTest : public ArchiveTest {};

constexpr int32_t kDate2004 = 0x30C16000;  // 2004-06-01 12:00:00

// ---- Contents and layout ----

TEST_F(RestoreTest, RestoresCompressedStoredAndEmptyFilesWithTheirDates) {
  std::string big = PatternBytes(40000, 1);         // three compressed blocks
  std::string raw = PatternBytes(20000, 2, false);  // two stored blocks
  ArchiveBuilder b;
  b.Header("t", 60000, 3).Entry("FILE:LIST", kDate2005, "list\r\n");
  b.Entry("c:\\release\\big.bin", kDate2005, big);
  b.Entry("c:\\release\\raw.bin", kDate2004, raw, /*Stored=*/true);
  b.Entry("c:\\release\\empty.txt", kDate2005, "");
  b.End();
  std::string archive = Put("c:\\a.arc", b.Bytes());

  ASSERT_TRUE(Backup->Restore(archive, "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\big.bin"), big);
  EXPECT_EQ(Get("c:\\dest\\raw.bin"), raw);
  EXPECT_EQ(Get("c:\\dest\\empty.txt"), "");
  EXPECT_EQ(Age("c:\\dest\\big.bin"), kDate2005);
  EXPECT_EQ(Age("c:\\dest\\raw.bin"), kDate2004);
  EXPECT_EQ(Age("c:\\dest\\empty.txt"), kDate2005);
  EXPECT_EQ(Backup->RestoredCount(), 3);
  EXPECT_EQ(Backup->FileCount(), 3);
  EXPECT_EQ(Backup->TotalSize(), 60000);
  EXPECT_EQ(Backup->BytesDone(), 60000);
  EXPECT_EQ(Backup->ErrorCode(), beNone);
  EXPECT_FALSE(Backup->Busy());
  EXPECT_FALSE(Exists("c:\\dest\\FILE:LIST"));
  EXPECT_FALSE(Exists("c:\\dest\\LIST"));
  EXPECT_TRUE(Dialogs.Boxes.empty());
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(RestoreTest, AcceptsBlocksThatHold16384Bytes) {
  std::string piece = PatternBytes(16384, 3, false);
  std::string zeros(16384, '\0');
  ArchiveBuilder b;
  b.Header("", 32768, 2);
  b.EntryHead("c:\\x\\c.bin", kDate2005).Signature().CompressedBlock(zeros).Terminator();
  b.EntryHead("c:\\x\\s.bin", kDate2005).Signature().StoredBlock(piece).Terminator();
  b.End();
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\c.bin"), zeros);
  EXPECT_EQ(Get("c:\\dest\\s.bin"), piece);
}

TEST_F(RestoreTest, CompressedBlockOfExactly16384BytesIsRead) {
  // Find a compressed block whose length is exactly 16384: stored-like
  // random bytes compress to a little more than their size, so shorten the
  // input until the zlib stream is 16384 bytes long.
  std::string piece;
  std::string z;
  for (size_t n = 16384; n > 16000; --n) {
    piece = PatternBytes(n, 4, false);
    z = ArchiveBuilder::Compress(piece, 0);  // level 0: stored deflate blocks, 11 bytes of overhead
    if (z.size() == 16384) break;
  }
  ASSERT_EQ(z.size(), 16384u);
  ArchiveBuilder b;
  b.Header("", static_cast<int32_t>(piece.size()), 1);
  b.EntryHead("c:\\x\\c.bin", kDate2005).Signature().Int32(16384).Raw(z).Terminator();
  b.End();
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\c.bin"), piece);
}

TEST_F(RestoreTest, NegativeNameLengthsArePassedOver) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Int32(-1).Int32(-7);
  b.Entry("c:\\x\\a.txt", kDate2005, "abc").Int32(INT_MIN).End();
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\a.txt"), "abc");
}

TEST_F(RestoreTest, EndMarkerEndsTheArchive) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\x\\a.txt", kDate2005, "abc").End();
  b.Raw("garbage that is never read");
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(AllFiles().size(), 2u);  // the archive and a.txt
}

TEST_F(RestoreTest, ArchiveWithoutEntriesGivesOneFinalProgress) {
  RecordEvents();
  ArchiveBuilder b;
  b.Header("", 0, 0).End();
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Events, std::vector<std::string>{"progress  100"});
  EXPECT_EQ(Backup->RestoredCount(), 0);
}

TEST_F(RestoreTest, LowerCaseFileListIsAnOrdinaryEntry) {
  RecordEvents();
  ArchiveBuilder b;
  b.Header("", 10, 1).Entry("FILE:LIST", kDate2005, "x").Entry("file:list", kDate2005, "ordinary").End();
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  // The name part of "file:list" is the text after the colon.
  EXPECT_EQ(Get("c:\\dest\\list"), "ordinary");
  EXPECT_EQ(Events.front(), "restore c:\\dest\\list");
  EXPECT_EQ(Backup->RestoredCount(), 1);
}

TEST_F(RestoreTest, DataSignatureMustBeEC2AndAZeroByte) {
  for (std::string sig :
       {std::string("EC2X"), std::string("EC3\0", 4), std::string("EC\0\0", 4), std::string("ec2\0", 4)}) {
    SCOPED_TRACE(sig);
    // In a file being restored: error 1 at the end of the run.
    ArchiveBuilder b;
    b.Header("", 3, 1).EntryHead("c:\\x\\a.txt", kDate2005).Raw(sig).StoredBlock("abc").Terminator().End();
    Dialogs.Boxes.clear();
    EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
    EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
    ASSERT_EQ(Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(Dialogs.Boxes[0].Text, "Cannot read file");

    // In an entry passed over (the file list): the exception leaves Restore.
    ArchiveBuilder c;
    c.Header("", 3, 1).EntryHead("FILE:LIST", kDate2005).Raw(sig).Terminator().End();
    try {
      Backup->Restore(Put("c:\\b.arc", c.Bytes()), "c:\\dest");
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid archive type");
    }
    EXPECT_FALSE(Backup->Busy());
    EXPECT_EQ(Files.OpenStreams, 0);
  }
}

TEST_F(RestoreTest, BlockLongerThan16384IsAnInvalidArchive) {
  for (int32_t length : {16385, -16385, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(length);
    ArchiveBuilder skipped;
    skipped.Header("", 3, 1).EntryHead("FILE:LIST", kDate2005).Signature().Int32(length).Raw(std::string(40000, 'x'));
    try {
      Backup->Restore(Put("c:\\a.arc", skipped.Bytes()), "c:\\dest");
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid archive type");
    }
    ArchiveBuilder restored;
    restored.Header("", 3, 1)
        .EntryHead("c:\\x\\a.txt", kDate2005)
        .Signature()
        .Int32(length)
        .Raw(std::string(40000, 'x'));
    restored.End();
    EXPECT_FALSE(Backup->Restore(Put("c:\\b.arc", restored.Bytes()), "c:\\dest"));
    EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
    EXPECT_EQ(Get("c:\\dest\\a.txt"), "");
  }
}

TEST_F(RestoreTest, HugeNameLengthIsAnUnreadableEntryNotAnAllocation) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Int32(INT_MAX).Raw("short");
  EXPECT_THROW(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"), Exception);
  EXPECT_FALSE(Backup->Busy());
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(RestoreTest, DamagedHeaderRaisesCannotReadArchive) {
  for (std::string bytes : {std::string("\x05\0\0\0ab", 6), std::string("\xff\xff\xff\xff\0\0\0\0", 8),
                            std::string("\0\0\0\0\x10\0", 6), std::string()}) {
    try {
      Backup->Restore(Put("c:\\a.arc", bytes), "c:\\dest");
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Cannot read archive");
    }
    EXPECT_FALSE(Backup->Busy());
    EXPECT_EQ(Files.OpenStreams, 0);
  }
}

TEST_F(RestoreTest, ArchiveThatCannotBeOpenedRaisesCannotReadArchive) {
  ArchiveBuilder b;
  b.Header("", 0, 0).End();
  std::string archive = Put("c:\\a.arc", b.Bytes());
  Files.FailOpen.insert(archive);
  try {
    Backup->Restore(archive, "c:\\dest");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot read archive");
  }
  EXPECT_FALSE(Backup->Busy());
}

TEST_F(RestoreTest, MissingArchiveGivesFalseWithoutAnyEvent) {
  RecordEvents();
  EXPECT_FALSE(Backup->Restore("c:\\nothing.arc", "c:\\dest"));
  EXPECT_TRUE(Events.empty());
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

// ---- Restore modes ----

struct ModeCase {
  TRestoreMode Mode;
  bool Absent, Equal, OneUnitNewer;  // restored when the file is absent / equally dated / older by one unit
};

TEST_F(RestoreTest, EveryRestoreModeDecidesByExistenceAndDate) {
  const ModeCase cases[] = {
      {rmAll, true, true, true},       {rmNoOverwrite, true, false, false},   {rmNewer, true, false, true},
      {rmExisting, false, true, true}, {rmExistingNewer, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Mode));
    Backup->RestoreMode = c.Mode;
    ArchiveBuilder b;
    b.Header("", 30, 3);
    b.Entry("c:\\x\\absent.txt", kDate2005, "new").Entry("c:\\x\\equal.txt", kDate2005, "new");
    b.Entry("c:\\x\\newer.txt", kDate2005 + 1, "new").End();  // one unit: two seconds later
    std::string archive = Put("c:\\a.arc", b.Bytes());
    std::filesystem::remove_all(Host.NativePath("c:\\dest"));
    Put("c:\\dest\\equal.txt", "old");
    SetAge("c:\\dest\\equal.txt", kDate2005);
    Put("c:\\dest\\newer.txt", "old");
    SetAge("c:\\dest\\newer.txt", kDate2005);

    EXPECT_TRUE(Backup->Restore(archive, "c:\\dest"));
    EXPECT_EQ(Exists("c:\\dest\\absent.txt"), c.Absent);
    EXPECT_EQ(Get("c:\\dest\\equal.txt"), c.Equal ? "new" : "old");
    EXPECT_EQ(Get("c:\\dest\\newer.txt"), c.OneUnitNewer ? "new" : "old");
    EXPECT_EQ(Backup->RestoredCount(), int(c.Absent) + int(c.Equal) + int(c.OneUnitNewer));
  }
}

TEST_F(RestoreTest, NewerComparesDateTimesAsSignedIntegers) {
  // A date from 2044 on reads as a negative int32, so it counts as older.
  int32_t date2050 = platform::PackDosDateTime({2050, 1, 1, 0, 0, 0});
  ASSERT_LT(date2050, 0);
  Backup->RestoreMode = rmNewer;
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\x\\a.txt", date2050, "new").End();
  Put("c:\\dest\\a.txt", "old");
  SetAge("c:\\dest\\a.txt", kDate2005);
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\a.txt"), "old");
}

TEST_F(RestoreTest, FolderOfTheSameNameDoesNotCountAsExistingFile) {
  Backup->RestoreMode = rmExisting;
  std::filesystem::create_directories(Host.NativePath("c:\\dest\\a.txt"));
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\x\\a.txt", kDate2005, "new").End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Backup->RestoredCount(), 0);
}

// ---- Names ----

TEST_F(RestoreTest, DestinationNamesFollowDestDirAndRestoreFullPath) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\release\\sub\\velto.hlp", kDate2005, "hlp").End();
  std::string archive = Put("c:\\a.arc", b.Bytes());

  ASSERT_TRUE(Backup->Restore(archive, "c:\\inst"));
  EXPECT_EQ(Get("c:\\inst\\velto.hlp"), "hlp");
  Backup->RestoreFullPath = true;
  ASSERT_TRUE(Backup->Restore(archive, "c:\\inst2\\"));  // a trailing backslash is kept as it is
  EXPECT_EQ(Get("c:\\inst2\\release\\sub\\velto.hlp"), "hlp");
  // An empty DestDir: the stored name itself, RestoreFullPath or not.
  ASSERT_TRUE(Backup->Restore(archive, ""));
  EXPECT_EQ(Get("c:\\release\\sub\\velto.hlp"), "hlp");
}

TEST_F(RestoreTest, StoredNameWithoutFolderAndEmptyDestDirRaises) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("velto.exe", kDate2005, "exe").End();
  try {
    Backup->Restore(Put("c:\\a.arc", b.Bytes()), "");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory");
  }
  EXPECT_FALSE(Backup->Busy());
}

// The folder of a name at the root of the current drive is that root, not
// an empty folder part.
TEST_F(RestoreTest, StoredNameAtTheRootOfTheCurrentDriveIsRestoredThere) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("\\velto.exe", kDate2005, "exe").End();
  ASSERT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), ""));
  EXPECT_EQ(Get("\\velto.exe"), "exe");
}

TEST_F(RestoreTest, NamesThatClimbOutOfDestDirAreSkippedAsError1) {
  RecordEvents();
  Backup->RestoreFullPath = true;
  ArchiveBuilder b;
  b.Header("", 30, 4);
  b.Entry("c:\\..\\evil1.txt", kDate2005, "evil");
  b.Entry("c:\\sub\\..\\..\\evil2.txt", kDate2005, PatternBytes(20000, 5));  // several blocks passed over
  b.Entry("c:\\sub/../../evil3.txt", kDate2005, "evil");
  b.Entry("c:\\sub\\good.txt", kDate2005, "good").End();
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\top\\dest"));
  EXPECT_EQ(Get("c:\\top\\dest\\sub\\good.txt"), "good");
  EXPECT_EQ(Backup->RestoredCount(), 1);
  EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
  for (const auto& f : AllFiles()) EXPECT_EQ(f.find("evil"), std::string::npos) << f;
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "error 1 Cannot read file"), 1);
  EXPECT_EQ(Events.back(), "error 1 Cannot read file");

  // Without RestoreFullPath only the name part counts; "/" separates too, so
  // "c:\x\a/../../evil4.txt" is evil4.txt in the destination, as
  // "c:\x\..\ok.txt" is ok.txt there.
  Backup->RestoreFullPath = false;
  ArchiveBuilder c;
  c.Header("", 8, 2).Entry("c:\\x\\a/../../evil4.txt", kDate2005, "evil").Entry("c:\\x\\..\\ok.txt", kDate2005, "ok");
  c.End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\b.arc", c.Bytes()), "c:\\top\\dest"));
  EXPECT_EQ(Get("c:\\top\\dest\\ok.txt"), "ok");
  EXPECT_EQ(Get("c:\\top\\dest\\evil4.txt"), "evil");
  const std::string inDest = Host.NativePath("c:\\top\\dest\\evil4.txt");
  for (const auto& f : AllFiles())
    EXPECT_TRUE(f.find("evil") == std::string::npos || Temp.Path() + "/" + f == inDest) << f;
}

TEST_F(RestoreTest, InvalidStoredDateKeepsTheSystemTime) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\x\\a.txt", 0 /* month 0, day 0 */, "abc").End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\a.txt"), "abc");
  auto mtime = std::filesystem::last_write_time(Host.NativePath("c:\\dest\\a.txt"));
  auto age = std::chrono::duration_cast<std::chrono::seconds>(std::filesystem::file_time_type::clock::now() - mtime);
  EXPECT_LT(std::abs(age.count()), 60) << "file time was changed";
}

// ---- OnRestoreFile and OnFileRestored ----

TEST_F(RestoreTest, OnRestoreFileRedirectsAndSkips) {
  RecordEvents();
  auto record = Backup->OnRestoreFile;
  Backup->OnRestoreFile = [&](TObject* Sender, std::string& Name, int32_t FA, bool& DoRestore) {
    EXPECT_EQ(Sender, Backup.get());
    EXPECT_EQ(FA, kDate2005);
    record(Sender, Name, FA, DoRestore);
    if (Name == "c:\\dest\\skip.txt") DoRestore = false;
    if (Name == "c:\\dest\\move.txt") Name = "c:\\other\\deep\\moved.txt";
  };
  ArchiveBuilder b;
  b.Header("", 20, 2).Entry("c:\\x\\skip.txt", kDate2005, "skipped").Entry("c:\\x\\move.txt", kDate2005, "moved");
  b.End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_FALSE(Exists("c:\\dest\\skip.txt"));
  EXPECT_FALSE(Exists("c:\\dest\\move.txt"));
  EXPECT_EQ(Get("c:\\other\\deep\\moved.txt"), "moved");
  std::vector<std::string> expected = {
      "restore c:\\dest\\skip.txt",
      "restore c:\\dest\\move.txt",
      "progress c:\\other\\deep\\moved.txt 25",
      "progress c:\\other\\deep\\moved.txt 25",
      "restored c:\\other\\deep\\moved.txt",
      "progress  100",
  };
  EXPECT_EQ(Events, expected);
  EXPECT_EQ(Backup->RestoredCount(), 1);
}

TEST_F(RestoreTest, OnRestoreFileCanRestoreWhatTheModeSkipped) {
  Backup->RestoreMode = rmExisting;
  Backup->OnRestoreFile = [](TObject*, std::string&, int32_t, bool& DoRestore) { DoRestore = true; };
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\x\\a.txt", kDate2005, "abc").End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(Get("c:\\dest\\a.txt"), "abc");
}

TEST_F(RestoreTest, OnFileRestoredGetsTheOpenFileAfterItsLastByte) {
  int calls = 0;
  Backup->OnFileRestored = [&](TObject*, std::string& Name, TFileStream*& Stream) {
    ++calls;
    ASSERT_NE(Stream, nullptr);
    EXPECT_EQ(Name, "c:\\dest\\a.bin");
    EXPECT_EQ(Stream->Position(), 20000);
    Stream->WriteBuffer("+", 1);  // the file is still open for writing
  };
  ArchiveBuilder b;
  b.Header("", 20000, 1).Entry("c:\\x\\a.bin", kDate2005, PatternBytes(20000, 6)).End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\dest"));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Get("c:\\dest\\a.bin"), PatternBytes(20000, 6) + "+");
  EXPECT_EQ(Age("c:\\dest\\a.bin"), kDate2005);  // dated after the handler wrote
}

// ---- Progress ----

TEST_F(RestoreTest, ProgressComesAfterEveryBlockRecordOfTheWholeArchive) {
  RecordEvents();
  ArchiveBuilder b;
  // 16384 + 3616 compressed bytes, then 10000 stored ones, of a total of 40000.
  b.Header("", 40000, 2).Entry("FILE:LIST", kDate2005, "whatever\r\n");
  b.Entry("c:\\x\\a.bin", kDate2005, PatternBytes(20000, 7));
  b.Entry("c:\\x\\b.bin", kDate2005, PatternBytes(10000, 8), true);
  b.End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  std::vector<std::string> expected = {
      "restore c:\\d\\a.bin",     "progress c:\\d\\a.bin 41",
      "progress c:\\d\\a.bin 50", "progress c:\\d\\a.bin 50",
      "restored c:\\d\\a.bin",    "restore c:\\d\\b.bin",
      "progress c:\\d\\b.bin 75", "progress c:\\d\\b.bin 75",
      "restored c:\\d\\b.bin",    "progress  100",
  };
  EXPECT_EQ(Events, expected);
  EXPECT_GE(Pump.ProcessMessagesCalls, 6);  // once per block record restored, at least
}

TEST_F(RestoreTest, ProgressRoundsHalvesToEven) {
  std::vector<int> percents;
  Backup->OnProgress = [&](TObject*, const std::string&, TPercentage P, bool&) { percents.push_back(P); };
  ArchiveBuilder b;
  // Total 200: 1 byte = 0.5 %, 3 = 1.5 %, 5 = 2.5 %, 7 = 3.5 %.
  b.Header("", 200, 1).EntryHead("c:\\x\\a", kDate2005).Signature();
  b.StoredBlock("a").StoredBlock("bb").StoredBlock("cc").StoredBlock("dd").Terminator().End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(percents, (std::vector<int>{0, 2, 2, 4, 4, 100}));
}

TEST_F(RestoreTest, ProgressSurvivesZeroAndUnderstatedTotals) {
  std::vector<int> percents;
  Backup->OnProgress = [&](TObject*, const std::string&, TPercentage P, bool&) { percents.push_back(P); };
  ArchiveBuilder zero;
  zero.Header("", 0, 2).Entry("c:\\x\\e1", kDate2005, "").Entry("c:\\x\\e2", kDate2005, "x").End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\a.arc", zero.Bytes()), "c:\\d"));
  EXPECT_EQ(percents, (std::vector<int>{0, 0, 0, 100}));

  percents.clear();
  ArchiveBuilder under;
  under.Header("", 2, 1).EntryHead("c:\\x\\a", kDate2005).Signature().StoredBlock("a").StoredBlock("bbbb").Terminator();
  under.End();
  EXPECT_TRUE(Backup->Restore(Put("c:\\b.arc", under.Bytes()), "c:\\d"));
  EXPECT_EQ(percents, (std::vector<int>{50, 100, 100, 100}));
}

TEST_F(RestoreTest, CancelFromOnProgressStopsAndKeepsThePartialFile) {
  int calls = 0;
  RecordEvents();
  auto recorded = Backup->OnProgress;
  ArchiveBuilder b;
  std::string data = PatternBytes(40000, 9);
  b.Header("", 40004, 2).Entry("c:\\x\\a.bin", kDate2005, data).Entry("c:\\x\\b.bin", kDate2005, "next").End();
  Backup->OnProgress = [&](TObject* S, const std::string& N, TPercentage P, bool& C) {
    recorded(S, N, P, C);
    ++calls;
    if (calls == 1) C = false;
  };
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Get("c:\\d\\a.bin"), data.substr(0, 16384));
  EXPECT_EQ(Age("c:\\d\\a.bin"), kDate2005);
  EXPECT_FALSE(Exists("c:\\d\\b.bin"));
  EXPECT_EQ(Backup->ErrorCode(), beNone);
  EXPECT_TRUE(Dialogs.Boxes.empty());
  std::vector<std::string> expected = {"restore c:\\d\\a.bin", "progress c:\\d\\a.bin 41", "restored c:\\d\\a.bin",
                                       "progress  100"};
  EXPECT_EQ(Events, expected);
}

// ---- Errors ----

TEST_F(RestoreTest, ErrorGoesToAnErrorBoxAfterTheLastProgress) {
  int progressAfterBox = -1;
  Backup->OnProgress = [&](TObject*, const std::string& Name, TPercentage, bool&) {
    if (Name.empty()) progressAfterBox = static_cast<int>(Dialogs.Boxes.size());
  };
  ArchiveBuilder b;
  std::string bad = ArchiveBuilder::Compress("hello world");
  bad[bad.size() - 1] ^= 0x55;  // the Adler-32 no longer matches
  b.Header("", 22, 2).EntryHead("c:\\x\\a.txt", kDate2005).Signature().Int32(int32_t(bad.size())).Raw(bad).Terminator();
  b.Entry("c:\\x\\b.txt", kDate2005, "never").End();
  int restoredCalls = 0;
  Backup->OnFileRestored = [&](TObject*, std::string&, TFileStream*&) { ++restoredCalls; };
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beCompressionError);
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(Dialogs.Boxes[0].Text, "Compression error");
  EXPECT_EQ(Dialogs.Boxes[0].Caption, "Error");
  EXPECT_EQ(Dialogs.Boxes[0].Flags, platform::mbOK | platform::mbIconError);
  EXPECT_EQ(progressAfterBox, 0);  // the box came after the final progress
  // The damaged file is still closed, reported and dated; the run stopped.
  EXPECT_EQ(restoredCalls, 1);
  EXPECT_EQ(Age("c:\\d\\a.txt"), kDate2005);
  EXPECT_FALSE(Exists("c:\\d\\b.txt"));
}

TEST_F(RestoreTest, CompressedBlockThatDoesNotEndIsACompressionError) {
  std::string z = ArchiveBuilder::Compress(PatternBytes(5000, 10));
  ArchiveBuilder b;
  b.Header("", 5000, 1).EntryHead("c:\\x\\a.bin", kDate2005).Signature().Int32(int32_t(z.size() / 2));
  b.Raw(z.substr(0, z.size() / 2)).Terminator().End();
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beCompressionError);
}

TEST_F(RestoreTest, OnErrorReplacesTheErrorBox) {
  RecordEvents();
  ArchiveBuilder b;
  b.Header("", 6, 2).Entry("c:\\x\\a.txt", kDate2005, "abc").Entry("c:\\x\\b.txt", kDate2005, "def").End();
  Files.FailOpen.insert("c:\\d\\a.txt");
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_TRUE(Dialogs.Boxes.empty());
  std::vector<std::string> expected = {"restore c:\\d\\a.txt", "progress  100", "error 1 Cannot read file"};
  EXPECT_EQ(Events, expected);  // the run stopped after the entry that failed
  EXPECT_FALSE(Exists("c:\\d\\b.txt"));
}

TEST_F(RestoreTest, WriteFailureIsError1AndTheFileIsStillClosedAndDated) {
  RecordEvents();
  Files.WriteLimit = 100;
  ArchiveBuilder b;
  b.Header("", 20000, 1).Entry("c:\\x\\a.bin", kDate2005, PatternBytes(20000, 11)).End();
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
  EXPECT_EQ(Backup->RestoredCount(), 0);
  std::vector<std::string> expected = {"restore c:\\d\\a.bin", "restored c:\\d\\a.bin", "progress  100",
                                       "error 1 Cannot read file"};
  EXPECT_EQ(Events, expected);
  EXPECT_EQ(Age("c:\\d\\a.bin"), kDate2005);
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(RestoreTest, FileWhoseHeldBytesCannotBeWrittenIsError1) {
  RecordEvents();
  Files.FailFlush.insert("c:\\d\\a.bin");
  ArchiveBuilder b;
  b.Header("", 20005, 2)
      .Entry("c:\\x\\a.bin", kDate2005, PatternBytes(20000, 11))
      .Entry("c:\\x\\b.txt", kDate2005, "after")
      .End();
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), 1);
  EXPECT_EQ(Backup->ErrorFileName(), "c:\\d\\a.bin");
  EXPECT_EQ(Backup->RestoredCount(), 0);
  EXPECT_FALSE(Exists("c:\\d\\b.txt"));
  EXPECT_EQ(Files.OpenStreams, 0);
}

// ---- Long files (decompressed on several threads after their first blocks) ----

// A data section of Blocks blocks of different kinds and lengths: compressed
// and stored, full and short ones, in an irregular order. Content receives
// the bytes it restores to, Offsets (when given) where each block record
// starts in B.
ArchiveBuilder& LongSection(ArchiveBuilder& B, int Blocks, std::string& Content,
                            std::vector<size_t>* Offsets = nullptr) {
  B.Signature();
  for (int i = 0; i < Blocks; ++i) {
    std::string piece = PatternBytes(i % 7 == 3 ? 1000 + size_t(i) : 16384, 100 + uint32_t(i), i % 5 != 2);
    if (Offsets) Offsets->push_back(B.Bytes().size());
    if (i % 5 == 2)
      B.StoredBlock(piece);
    else
      B.CompressedBlock(piece);
    Content += piece;
  }
  return B.Terminator();
}

constexpr int kThreadCounts[] = {1, 2, 3};

TEST_F(RestoreTest, LongFilesAreRestoredWholeInOrderBeforeTheyAreClosed) {
  std::string first, second;
  ArchiveBuilder b;
  b.Header("", 0, 3);
  LongSection(b.EntryHead("c:\\x\\long1.bin", kDate2005), 40, first);
  b.Entry("c:\\x\\short.txt", kDate2004, "short");
  LongSection(b.EntryHead("c:\\x\\long2.bin", kDate2004), 9, second);
  b.End();
  std::string archive = Put("c:\\a.arc", b.Bytes());
  for (int threads : kThreadCounts) {
    Events.clear();
    RecordEvents();
    Backup->DecompressionThreads = threads;
    std::string dir = "c:\\d" + std::to_string(threads);
    int64_t positionAtRestored = -1;
    auto recorded = Backup->OnFileRestored;
    Backup->OnFileRestored = [&](TObject* S, std::string& Name, TFileStream*& Stream) {
      recorded(S, Name, Stream);
      if (Name == dir + "\\long1.bin") positionAtRestored = Stream->Position();
    };
    ASSERT_TRUE(Backup->Restore(archive, dir)) << threads;
    EXPECT_TRUE(Get(dir + "\\long1.bin") == first) << threads;
    EXPECT_TRUE(Get(dir + "\\long2.bin") == second) << threads;
    EXPECT_EQ(Get(dir + "\\short.txt"), "short") << threads;
    EXPECT_EQ(positionAtRestored, int64_t(first.size())) << threads;  // every block is in before the handler runs
    EXPECT_EQ(Age(dir + "\\long1.bin"), kDate2005) << threads;
    EXPECT_EQ(Age(dir + "\\long2.bin"), kDate2004) << threads;
    // One progress call per block record: 40 blocks and the terminator.
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "progress " + dir + "\\long1.bin 0"), 41) << threads;
    EXPECT_EQ(Files.OpenStreams, 0) << threads;
  }
}

TEST_F(RestoreTest, WriteFailureInALongFileIsError1AndStopsTheRun) {
  std::string content;
  ArchiveBuilder b;
  b.Header("", 0, 2);
  LongSection(b.EntryHead("c:\\x\\a.bin", kDate2005), 30, content);
  b.Entry("c:\\x\\b.txt", kDate2005, "next").End();
  std::string archive = Put("c:\\a.arc", b.Bytes());
  // The disk fills up in the middle of the file, and in its last block.
  for (int threads : kThreadCounts) {
    for (size_t limit : {size_t(200000), content.size() - 10}) {
      Events.clear();
      RecordEvents();
      Backup->DecompressionThreads = threads;
      Files.WriteLimit = static_cast<long long>(limit);
      EXPECT_FALSE(Backup->Restore(archive, "c:\\d")) << limit;
      EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile) << limit;
      EXPECT_EQ(Backup->RestoredCount(), 0) << limit;
      EXPECT_TRUE(Get("c:\\d\\a.bin") == content.substr(0, limit)) << limit;
      EXPECT_EQ(Age("c:\\d\\a.bin"), kDate2005) << limit;
      EXPECT_FALSE(Exists("c:\\d\\b.txt")) << limit;
      ASSERT_FALSE(Events.empty());
      EXPECT_EQ(Events.back(), "error 1 Cannot read file") << limit;
      EXPECT_EQ(std::count(Events.begin(), Events.end(), "restored c:\\d\\a.bin"), 1) << limit;
      EXPECT_EQ(Files.OpenStreams, 0) << limit;
    }
  }
}

TEST_F(RestoreTest, CancelInALongFileKeepsEveryBlockBeforeIt) {
  std::string content;
  ArchiveBuilder b;
  b.Header("", 0, 1);
  LongSection(b.EntryHead("c:\\x\\a.bin", kDate2005), 30, content).End();
  std::string archive = Put("c:\\a.arc", b.Bytes());
  std::string expected;
  ArchiveBuilder unused;
  LongSection(unused, 17, expected);
  for (int threads : kThreadCounts) {
    Backup->DecompressionThreads = threads;
    int calls = 0;
    Backup->OnProgress = [&](TObject*, const std::string&, TPercentage, bool& Continue) {
      if (++calls == 17) Continue = false;
    };
    EXPECT_FALSE(Backup->Restore(archive, "c:\\d")) << threads;
    EXPECT_EQ(calls, 18) << threads;  // 17 blocks, then the final call
    EXPECT_TRUE(Get("c:\\d\\a.bin") == expected) << threads;
    EXPECT_EQ(Backup->ErrorCode(), beNone) << threads;
    EXPECT_EQ(Files.OpenStreams, 0) << threads;
  }
}

// What a restore of a damaged long file did: result, error, bytes written,
// events and message-processing calls.
struct LongRun {
  bool Result = false;
  int32_t Error = 0;
  std::string Bytes;
  std::vector<std::string> Events;
  int ProcessMessagesCalls = 0;
};

TEST_F(RestoreTest, DamageInALongFileEndsTheRunAlikeOnEveryThreadCount) {
  std::string content;
  std::vector<size_t> at;
  ArchiveBuilder b;
  b.Header("", 400000, 2);
  LongSection(b.EntryHead("c:\\x\\a.bin", kDate2005), 24, content, &at);
  b.Entry("c:\\x\\b.txt", kDate2005, "next").End();
  const std::string sound = b.Bytes();
  auto lengthAt = [&](size_t Offset) {
    return int32_t(archive::LoadLE32(reinterpret_cast<const uint8_t*>(&sound[Offset])));
  };
  ASSERT_GT(lengthAt(at[10]), 0);  // block 10 is compressed

  std::string zlibDamage = sound;  // a damaged deflate stream in block 10
  for (size_t i = 0; i < 64; ++i) zlibDamage[at[10] + 4 + 20 + i] ^= 0x5A;
  std::string cutInBlock = sound.substr(0, at[12] + 100);  // the archive ends inside block 12
  std::string cutAfterBlock = sound.substr(0, at[20]);     // ends before block 20's length
  std::string tooLong = sound;                             // block 9 claims 20000 bytes
  archive::StoreLE32(reinterpret_cast<uint8_t*>(&tooLong[at[9]]), 20000);
  const std::vector<std::pair<std::string, std::string>> cases = {{"zlib damage", zlibDamage},
                                                                  {"cut in block", cutInBlock},
                                                                  {"cut after block", cutAfterBlock},
                                                                  {"too long", tooLong}};

  for (const auto& [what, bytes] : cases) {
    std::string archive = Put("c:\\a.arc", bytes);
    std::vector<LongRun> runs;
    for (int threads : kThreadCounts) {
      Events.clear();
      RecordEvents();
      Pump.ProcessMessagesCalls = 0;
      Backup->DecompressionThreads = threads;
      LongRun run;
      run.Result = Backup->Restore(archive, "c:\\d");
      run.Error = Backup->ErrorCode();
      run.Bytes = Get("c:\\d\\a.bin");
      run.Events = Events;
      run.ProcessMessagesCalls = Pump.ProcessMessagesCalls;
      EXPECT_EQ(Files.OpenStreams, 0) << what << ", " << threads;
      EXPECT_FALSE(Exists("c:\\d\\b.txt")) << what << ", " << threads;
      runs.push_back(run);
    }
    // One block at a time is the reference...
    EXPECT_FALSE(runs[0].Result) << what;
    EXPECT_EQ(runs[0].Error, what == "zlib damage" ? beCompressionError : beCannotReadFile) << what;
    size_t kept = what == "zlib damage" ? 10 : what == "cut in block" ? 12 : what == "cut after block" ? 20 : 9;
    // The blocks before the damage are restored as they were.
    std::string expectedStart;
    ArchiveBuilder unused;
    LongSection(unused, int(kept), expectedStart);
    ASSERT_GE(runs[0].Bytes.size(), expectedStart.size()) << what;
    EXPECT_TRUE(runs[0].Bytes.compare(0, expectedStart.size(), expectedStart) == 0) << what;
    // ...and several threads do exactly the same.
    for (size_t i = 1; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].Result, runs[0].Result) << what << ", " << kThreadCounts[i];
      EXPECT_EQ(runs[i].Error, runs[0].Error) << what << ", " << kThreadCounts[i];
      EXPECT_TRUE(runs[i].Bytes == runs[0].Bytes) << what << ", " << kThreadCounts[i];
      EXPECT_EQ(runs[i].Events, runs[0].Events) << what << ", " << kThreadCounts[i];
      EXPECT_EQ(runs[i].ProcessMessagesCalls, runs[0].ProcessMessagesCalls) << what << ", " << kThreadCounts[i];
    }
  }
}

TEST_F(RestoreTest, FolderThatCannotBeMadeIsErrorOneAndStopsTheRun) {
  Put("c:\\d\\blocker", "a file where a folder should be");
  ArchiveBuilder b;
  b.Header("", 6, 2).Entry("c:\\x\\a.txt", kDate2005, "abc").Entry("c:\\x\\b.txt", kDate2005, "def").End();
  int n = 0;
  Backup->OnRestoreFile = [&](TObject*, std::string& Name, int32_t, bool&) {
    if (n++ == 0) Name = "c:\\d\\blocker\\a.txt";
  };
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
  EXPECT_EQ(Backup->RestoredCount(), 0);
  EXPECT_FALSE(Host.FileExists("c:\\d\\b.txt"));  // the run stopped after the failed entry
}

// ---- RestoreFromStream ----

TEST_F(RestoreTest, RestoreFromStreamReadsFromThePositionAndLeavesTheStreamOpen) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\x\\a.txt", kDate2005, "abc").End();
  TMemoryStream stream;
  stream.WriteBuffer("PREFIX", 6);
  stream.WriteBuffer(b.Bytes().data(), int32_t(b.Size()));
  stream.WriteBuffer("TAIL", 4);
  stream.SetPosition(6);
  EXPECT_TRUE(Backup->RestoreFromStream(&stream, "c:\\d"));
  EXPECT_EQ(Get("c:\\d\\a.txt"), "abc");
  EXPECT_EQ(Backup->SourceStream(), &stream);
  EXPECT_EQ(stream.Position(), 6 + int64_t(b.Size()));  // after the end marker
}

TEST_F(RestoreTest, RestoreFromStreamTurnsExceptionsIntoFalse) {
  RecordEvents();
  EXPECT_FALSE(Backup->RestoreFromStream(nullptr, "c:\\d"));
  EXPECT_TRUE(Events.empty());
  TMemoryStream junk(std::vector<uint8_t>{1, 2, 3});
  EXPECT_FALSE(Backup->RestoreFromStream(&junk, "c:\\d"));
  EXPECT_FALSE(Backup->Busy());
}

// ---- Regression tests: restore modes, targets and the file an error names ----

TEST_F(RestoreTest, ExistingFileWithoutAnMsDosDateExistsAndCountsAsTheOldest) {
  ArchiveBuilder b;
  b.Header("", 3, 1).Entry("c:\\src\\doc.txt", kDate2005, "new").End();
  std::string archive = Put("c:\\a.arc", b.Bytes());
  struct Case {
    TRestoreMode Mode;
    bool Restored;
  } cases[] = {{rmNoOverwrite, false}, {rmNewer, true}, {rmExisting, true}, {rmExistingNewer, true}};
  // 1970-01-01 and 2108-01-01: before and after what MS-DOS dates hold.
  for (long long when : {0LL, 4354819200LL})
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "mode " << int(c.Mode) << " date " << when);
      Put("c:\\dst\\doc.txt", "old");
      utimbuf times{time_t(when), time_t(when)};
      ASSERT_EQ(utime(Host.NativePath("c:\\dst\\doc.txt").c_str(), &times), 0);
      ASSERT_EQ(Age("c:\\dst\\doc.txt"), -1);
      Backup->RestoreMode = c.Mode;
      EXPECT_TRUE(Backup->Restore(archive, "c:\\dst"));
      EXPECT_EQ(Get("c:\\dst\\doc.txt"), c.Restored ? "new" : "old");
    }
}

TEST_F(RestoreTest, EntryWhoseTargetIsTheArchiveBeingReadIsRefusedAndTheRestRestored) {
  ArchiveBuilder b;
  b.Header("", 10, 2).Entry("c:\\src\\b.arc", kDate2005, "inner\n").Entry("c:\\src\\z.bin", kDate2005, "zzzz").End();
  std::string archive = Put("c:\\w\\b.arc", b.Bytes());
  RecordEvents();
  // By name (spelt with "/" too) and through the caller's stream over it.
  for (const std::string& name : {std::string("c:\\w\\b.arc"), std::string("c:/w/b.arc"), std::string(":STREAM")}) {
    SCOPED_TRACE(name);
    Events.clear();
    auto stream = Host.OpenFile(archive, fmOpenRead | fmShareDenyNone);
    bool ok = name == ":STREAM" ? Backup->RestoreFromStream(stream.get(), "c:\\w") : Backup->Restore(name, "c:\\w");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Get(archive), b.Bytes());
    EXPECT_EQ(Get("c:\\w\\z.bin"), "zzzz");
    EXPECT_EQ(Backup->RestoredCount(), 1);
    EXPECT_EQ(Backup->ErrorFileName(), "c:\\w\\b.arc");
    EXPECT_EQ(Events.back(), "error 1 Cannot read file");
  }
}

TEST_F(RestoreTest, ErrorFileNameIsTheRefusedEntryNotTheLastRestored) {
  ArchiveBuilder b;
  b.Header("", 8, 2).Entry("c:\\x\\..\\..\\evil.txt", kDate2005, "evil").Entry("c:\\x\\good.txt", kDate2005, "good");
  b.End();
  Backup->RestoreFullPath = true;
  EXPECT_FALSE(Backup->Restore(Put("c:\\a.arc", b.Bytes()), "c:\\d"));
  EXPECT_EQ(Get("c:\\d\\x\\good.txt"), "good");
  EXPECT_EQ(Backup->ErrorCode(), beCannotReadFile);
  EXPECT_EQ(Backup->ErrorFileName(), "c:\\d\\x\\..\\..\\evil.txt");
  EXPECT_EQ(Backup->CurrentFileName(), "c:\\d\\x\\good.txt");
}

}  // namespace

namespace {

// The decompression workers are started once for a run, whatever the number
// of long files, and every file still comes back whole.
TEST_F(RestoreTest, OneSetOfWorkersServesEveryLongFileOfARun) {
  ArchiveBuilder b;
  std::vector<std::string> contents;
  for (int i = 0; i < 4; ++i) contents.push_back(PatternBytes(16384 * 6 + 100 * i, uint32_t(10 + i)));
  b.Header("", int32_t(contents.size() * 98304), int32_t(contents.size()));
  for (size_t i = 0; i < contents.size(); ++i) b.Entry("c:\\r\\f" + std::to_string(i), kDate2005, contents[i]);
  b.End();
  std::string archive = Put("c:\\a.arc", b.Bytes());
  for (int threads : {2, 3}) {
    SCOPED_TRACE(threads);
    int started = 0;
    Backup->DecompressionThreads = threads;
    Backup->ThreadStarter = [&](std::function<void()> Body) {
      ++started;
      return platform::StartThread(std::move(Body));
    };
    ASSERT_TRUE(Backup->Restore(archive, "c:\\dest")) << Backup->ErrorCode();
    EXPECT_EQ(started, threads);
    for (size_t i = 0; i < contents.size(); ++i) EXPECT_EQ(Get("c:\\dest\\f" + std::to_string(i)), contents[i]);
  }
}

}  // namespace
