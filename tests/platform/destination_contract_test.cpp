// What the extraction relies on from a destination folder, checked against
// the destination of the system the tests run on (Linux, or Win32 under
// Wine), so that both behave alike.
#include <gtest/gtest.h>

#include <thread>

#include "platform/destination.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::TNameParts;

class DestinationContract : public ::testing::Test {
 protected:
  testsupport::TempDir Temp;
  std::string Reason;
  // Made with its parent: neither exists yet.
  std::unique_ptr<platform::IDestination> Dest = platform::OpenDestination(Temp / "r/oot", Reason);

  std::string PathOf(const std::string& Relative) const { return Temp / ("r/oot/" + Relative); }

  // Puts Bytes in place under Parts (folders, then the name): "" when done,
  // else the reason.
  std::string Put(const TNameParts& Parts, const std::string& Bytes, bool Replace = false) {
    std::string reason = "no reason given";
    TNameParts temp(Parts.begin(), Parts.end() - 1);
    auto file = Dest->NewTempFile(temp, reason);
    if (!file) return reason;
    bool ok = file->Write(Bytes.data(), Bytes.size(), reason) && file->Commit(Parts.back(), Replace, reason);
    temp.push_back(file->TempName());
    EXPECT_EQ(Dest->Look(temp).Kind, platform::ekNone);  // never left behind
    return ok ? "" : reason;
  }
};

TEST_F(DestinationContract, FileWrittenUnderTempNameIsInPlaceWithItsTimeAfterCommit) {
  ASSERT_TRUE(Dest) << Reason;
  auto file = Dest->NewTempFile({"a", "b"}, Reason);
  ASSERT_TRUE(file) << Reason;
  const std::string temp = file->TempName();
  EXPECT_LT(temp.size(), 40u);
  EXPECT_EQ(Dest->Look({"a", "b", temp}).Kind, platform::ekFile);
  const std::string big(300000, 'x');  // larger than the write buffer
  ASSERT_TRUE(file->Write("head", 4, Reason) && file->Write(big.data(), big.size(), Reason)) << Reason;
  EXPECT_FALSE(file->SetDosDateTime(0x32C00000));  // day 0
  EXPECT_TRUE(file->SetDosDateTime(0x32C16000));
  ASSERT_TRUE(file->Write("tail", 4, Reason)) << Reason;  // after the time: it must still hold
  ASSERT_TRUE(file->Close(Reason)) << Reason;
  ASSERT_TRUE(file->Commit("f.txt", false, Reason)) << Reason;

  EXPECT_EQ(testsupport::ReadFile(PathOf("a/b/f.txt")), "head" + big + "tail");
  platform::TEntryInfo info = Dest->Look({"a", "b", "f.txt"});
  EXPECT_EQ(info.Kind, platform::ekFile);
  EXPECT_EQ(info.DosDateTime, 0x32C16000);
  platform::TFileId id;
  ASSERT_TRUE(platform::FileIdOf(PathOf("a/b/f.txt"), id));
  EXPECT_EQ(info.Id, id);
  EXPECT_FALSE(platform::FileIdOf(PathOf("a/none"), id));
  EXPECT_EQ(Dest->Look({"a", "b", temp}).Kind, platform::ekNone);
  EXPECT_EQ(Dest->Look({"a"}).Kind, platform::ekFolder);
  EXPECT_EQ(Dest->Look({"none", "f.txt"}).Kind, platform::ekNone);
  EXPECT_EQ(Dest->Look({"none"}).Kind, platform::ekNone);  // looking made nothing
  EXPECT_EQ(Dest->Look({"a", "b", "f.txt", "x"}).Kind, platform::ekNone);
  EXPECT_FALSE(platform::OpenDestination(PathOf("a/b/f.txt"), Reason));
  EXPECT_FALSE(Reason.empty());
}

TEST_F(DestinationContract, CommitReplacesOnlyFilesAndOnlyWhenAsked) {
  ASSERT_TRUE(Dest) << Reason;
  struct {
    const char* Existing;
    bool Replace;
    bool Done;
  } rows[] = {{"none", false, true},
              {"file", false, false},
              {"file", true, true},
              {"folder", false, false},
              {"folder", true, false}};
  int row = 0;
  for (const auto& r : rows) {
    const std::string name = "n" + std::to_string(row++) + ".txt";
    if (std::string(r.Existing) == "file") {
      ASSERT_EQ(Put({name}, "old"), "");
    } else if (std::string(r.Existing) == "folder") {
      ASSERT_TRUE(Dest->MakeFolders({name}, Reason)) << Reason;
    }
    std::string reason = Put({name}, "new", r.Replace);
    EXPECT_EQ(reason.empty(), r.Done) << name << ": " << reason;
    if (std::string(r.Existing) == "folder") {
      EXPECT_EQ(Dest->Look({name}).Kind, platform::ekFolder) << name;
      EXPECT_NE(reason.find("folder"), std::string::npos) << reason;
    } else {
      EXPECT_EQ(testsupport::ReadFile(PathOf(name)), r.Done ? "new" : "old") << name;
    }
  }
}

TEST_F(DestinationContract, TempFileNotCommittedIsRemovedOpenOrClosed) {
  ASSERT_TRUE(Dest) << Reason;
  auto open = Dest->NewTempFile({}, Reason);
  auto closed = Dest->NewTempFile({}, Reason);
  ASSERT_TRUE(open && closed) << Reason;
  ASSERT_NE(open->TempName(), closed->TempName());
  ASSERT_TRUE(open->Write("x", 1, Reason) && closed->Write("y", 1, Reason) && closed->Close(Reason)) << Reason;
  EXPECT_TRUE(closed->SetDosDateTime(0x32C16000));  // a closed file still takes its time
  const std::string names[] = {open->TempName(), closed->TempName()};
  open.reset();
  closed.reset();
  for (const std::string& name : names) EXPECT_EQ(Dest->Look({name}).Kind, platform::ekNone) << name;
}

TEST_F(DestinationContract, FileOnTheWayIsNoFolderAndLongestNameFits) {
  ASSERT_TRUE(Dest) << Reason;
  ASSERT_EQ(Put({"f"}, "x"), "");
  EXPECT_FALSE(Dest->MakeFolders({"f", "sub"}, Reason));
  EXPECT_FALSE(Reason.empty());
  EXPECT_FALSE(Dest->NewTempFile({"f"}, Reason));
  EXPECT_EQ(testsupport::ReadFile(PathOf("f")), "x");
  const std::string longest = std::string(251, 'n') + ".txt";
  EXPECT_EQ(Put({"d", longest}, "long"), "");
  EXPECT_EQ(testsupport::ReadFile(PathOf("d/" + longest)), "long");
}

TEST_F(DestinationContract, ThreadsMakeFilesInSharedFoldersAtOnce) {
  ASSERT_TRUE(Dest) << Reason;
  std::vector<std::thread> threads;
  std::vector<std::string> failures(4);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        std::string name = std::to_string(t) + "-" + std::to_string(i);
        std::string reason = Put({"s", std::to_string(i % 3), name}, name);
        if (!reason.empty()) failures[t] = reason;
      }
    });
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(failures[t], "");
    for (int i = 0; i < 20; ++i) {
      std::string name = std::to_string(t) + "-" + std::to_string(i);
      EXPECT_EQ(testsupport::ReadFile(PathOf("s/" + std::to_string(i % 3) + "/" + name)), name);
    }
  }
}

}  // namespace
