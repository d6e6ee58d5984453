// Reading an archive's title and file list, from a file and from a stream.
#include <climits>

#include "runtime/exceptions.h"
#include "tests/archive/restore_fixture.h"

using namespace testarchive;

namespace {

class ReadInfoTest : public ArchiveTest {};

const std::vector<FileSpec> kTwoFiles = {
    {"c:\\release\\velto.exe", kDate2005, PatternBytes(30000, 1)},
    {"c:\\release\\velto.ico", kDate2005 - 64, "icon"},
};

TEST_F(ReadInfoTest, ReadsTitleTotalsAndFileList) {
  std::string archive = Put("c:\\a.arc", MakeArchive("2005 1.0.0.0", kTwoFiles));
  TStringList list;
  list.Add("old item");
  std::string title = "old";
  Backup->ReadArchiveInfo(archive, &list, title);
  EXPECT_EQ(title, "2005 1.0.0.0");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "c:\\release\\velto.exe\t851533824=30000");
  EXPECT_EQ(list[1], "c:\\release\\velto.ico\t851533760=4");
  EXPECT_EQ(list.Names(0), "c:\\release\\velto.exe\t851533824");
  EXPECT_EQ(list.ValueFromIndex(1), "4");
  EXPECT_EQ(Backup->FileCount(), 2);
  EXPECT_EQ(Backup->TotalSize(), int32_t(FileListText(kTwoFiles).size()) + 30004);
  EXPECT_TRUE(Dialogs.Boxes.empty());
  EXPECT_EQ(Files.OpenStreams, 0);
}

TEST_F(ReadInfoTest, EmptyTitleAndNoFiles) {
  ArchiveBuilder b;
  b.Header("", 0, 0).Entry("FILE:LIST", kDate2005, "").End();
  TStringList list;
  list.Add("old");
  std::string title = "old";
  Backup->ReadArchiveInfo(Put("c:\\a.arc", b.Bytes()), &list, title);
  EXPECT_EQ(title, "");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(ReadInfoTest, FirstEntryOtherThanFileListLeavesTheListAlone) {
  ArchiveBuilder b;
  b.Header("T", 3, 1).Entry("file:list", kDate2005, "a\r\nb\r\n").End();
  TStringList list;
  list.Add("kept");
  std::string title;
  Backup->ReadArchiveInfo(Put("c:\\a.arc", b.Bytes()), &list, title);
  EXPECT_EQ(title, "T");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "kept");
}

TEST_F(ReadInfoTest, WithoutAListOnlyTheHeaderIsRead) {
  ArchiveBuilder b;
  b.Header("T", 3, 1).EntryHead("FILE:LIST", kDate2005).Raw("not a data section");
  std::string title;
  Backup->ReadArchiveInfo(Put("c:\\a.arc", b.Bytes()), nullptr, title);
  EXPECT_EQ(title, "T");
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(ReadInfoTest, MissingArchiveChangesNothingElse) {
  TStringList list;
  list.Add("kept");
  std::string title = "old";
  Backup->ReadArchiveInfo("c:\\none.arc", &list, title);
  EXPECT_EQ(title, "");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(ReadInfoTest, ArchiveThatCannotBeOpenedReportsError3AndAbortsSilently) {
  std::string archive = Put("c:\\a.arc", MakeArchive("T", kTwoFiles));
  Files.FailOpen.insert(archive);
  std::string title;
  EXPECT_THROW(Backup->ReadArchiveInfo(archive, nullptr, title), EAbort);
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(Dialogs.Boxes[0].Text, "Cannot read archive");
  EXPECT_EQ(Backup->ErrorCode(), beCannotReadArchive);
}

TEST_F(ReadInfoTest, UnreadableHeaderOrListReportsInvalidArchiveType) {
  struct Case {
    const char* What;
    std::string Bytes;
    std::string Title;  // what Title holds after the failure
  };
  std::string zlibBroken = ArchiveBuilder::Compress("a\r\nb\r\n");
  zlibBroken[4] ^= 0x40;
  std::vector<Case> cases = {
      {"empty file", "", ""},
      {"negative title length", ArchiveBuilder().Int32(-1).Int32(0).Int32(0).Bytes(), ""},
      {"title beyond the end", ArchiveBuilder().Int32(INT_MAX).Raw("abc").Bytes(), ""},
      {"totals missing", ArchiveBuilder().Text("T").Int32(5).Bytes(), "T"},
      {"name beyond the end", ArchiveBuilder().Header("T", 0, 0).Int32(1000000).Raw("FILE").Bytes(), "T"},
      {"bad list signature",
       ArchiveBuilder().Header("T", 0, 0).EntryHead("FILE:LIST", 0).Raw("EC2!").Terminator().Bytes(), "T"},
      {"oversized list block",
       ArchiveBuilder().Header("T", 0, 0).EntryHead("FILE:LIST", 0).Signature().Int32(INT_MIN).Bytes(), "T"},
      {"list cut short", ArchiveBuilder().Header("T", 0, 0).EntryHead("FILE:LIST", 0).Signature().Int32(100).Bytes(),
       "T"},
      {"damaged list block",
       ArchiveBuilder()
           .Header("T", 0, 0)
           .EntryHead("FILE:LIST", 0)
           .Signature()
           .Int32(int32_t(zlibBroken.size()))
           .Raw(zlibBroken)
           .Terminator()
           .Bytes(),
       "T"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    Dialogs.Boxes.clear();
    TStringList list;
    list.Add("kept");
    std::string title = "old";
    Backup->ReadArchiveInfo(Put("c:\\a.arc", c.Bytes), &list, title);
    ASSERT_EQ(Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(Dialogs.Boxes[0].Text, "Invalid archive type");
    EXPECT_EQ(Backup->ErrorCode(), beInvalidArchive);
    EXPECT_EQ(title, c.Title);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(Files.OpenStreams, 0);
  }
}

TEST_F(ReadInfoTest, OnErrorReceivesTheReportInsteadOfTheBox) {
  std::vector<std::pair<int32_t, std::string>> errors;
  Backup->OnError = [&](TObject* Sender, int32_t Code, const std::string& Text) {
    EXPECT_EQ(Sender, Backup.get());
    errors.emplace_back(Code, Text);
  };
  TMemoryStream junk(std::vector<uint8_t>{1, 0});
  std::string title;
  Backup->ReadArchiveInfoFromStream(&junk, nullptr, title);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].first, beInvalidArchive);
  EXPECT_EQ(errors[0].second, "Invalid archive type");
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(ReadInfoTest, FromStreamReadsAtThePositionAndStopsAfterTheList) {
  std::string archive = MakeArchive("From stream", kTwoFiles);
  TMemoryStream stream;
  stream.WriteBuffer("xyz", 3);
  stream.WriteBuffer(archive.data(), int32_t(archive.size()));
  stream.SetPosition(3);
  TStringList list;
  std::string title;
  Backup->ReadArchiveInfoFromStream(&stream, &list, title);
  EXPECT_EQ(title, "From stream");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(Backup->SourceStream(), &stream);
  // Left just after the file-list entry: the first file entry comes next.
  EXPECT_EQ(stream.ReadInt32(), int32_t(kTwoFiles[0].Name.size()));
}

TEST_F(ReadInfoTest, FromStreamWithNullStreamDoesNothing) {
  std::string title = "kept";
  Backup->ReadArchiveInfoFromStream(nullptr, nullptr, title);
  EXPECT_EQ(title, "kept");
  EXPECT_EQ(Backup->SourceStream(), nullptr);
}

TEST_F(ReadInfoTest, FromStreamSwallowsAHandlerException) {
  Backup->OnError = [](TObject*, int32_t, const std::string&) { throw Exception("from handler"); };
  TMemoryStream junk(std::vector<uint8_t>{3, 0, 0, 0, 'a', 'b', 'c'});
  std::string title = "old";
  EXPECT_NO_THROW(Backup->ReadArchiveInfoFromStream(&junk, nullptr, title));
  EXPECT_EQ(title, "");
}

TEST_F(ReadInfoTest, ResetsTotalsAndRestoredCount) {
  std::string archive = Put("c:\\a.arc", MakeArchive("T", kTwoFiles));
  ASSERT_TRUE(Backup->Restore(archive, "c:\\d"));
  ASSERT_EQ(Backup->RestoredCount(), 2);
  std::string title;
  Backup->ReadArchiveInfo("c:\\none.arc", nullptr, title);
  EXPECT_EQ(Backup->RestoredCount(), 0);
  EXPECT_EQ(Backup->TotalSize(), 0);
  EXPECT_EQ(Backup->FileCount(), 0);
}

}  // namespace
