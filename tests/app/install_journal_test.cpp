// TInstallJournal: what a run noted is what a rollback takes away, deepest
// folder first, and nothing that was there before; links and registry
// values go back to what they were.
#include "app/install_journal.h"

#include <gtest/gtest.h>

#include "platform/host/host_filesystem.h"
#include "tests/support/fake_registry.h"
#include "tests/support/temp_dir.h"

namespace {

class InstallJournalTest : public ::testing::Test {
 protected:
  InstallJournalTest() : files(temp.Path() + "/drives"), journal(files, &registry) {
    files.ForceDirectories("c:\\programmi");
  }

  void Write(const std::string& Path, const std::string& Text) { testsupport::WriteFile(files.NativePath(Path), Text); }
  // Notes Path, then makes its folders and writes it, as a run does.
  void NoteAndWrite(const std::string& Path) {
    journal.NoteTarget(Path);
    files.ForceDirectories(Path.substr(0, Path.find_last_of('\\')));
    Write(Path, "nuovo");
  }

  testsupport::TempDir temp;
  platform::HostFileSystem files;
  testsupport::FakeRegistry registry;
  TInstallJournal journal;
};

TEST_F(InstallJournalTest, NotesMissingFoldersDeepestFirstAndNewFilesOnce) {
  journal.NoteTarget("c:\\programmi\\brovik\\agent\\velto.exe");
  journal.NoteTarget("c:\\programmi\\brovik\\agent\\velto.exe");  // the same entry twice
  journal.NoteTarget("c:\\programmi\\brovik\\agent\\dati\\motori.dat");
  EXPECT_EQ(journal.CreatedFiles(), (std::vector<std::string>{"c:\\programmi\\brovik\\agent\\velto.exe",
                                                              "c:\\programmi\\brovik\\agent\\dati\\motori.dat"}));
  EXPECT_EQ(journal.CreatedFolders(),
            (std::vector<std::string>{"c:\\programmi\\brovik\\agent\\dati", "c:\\programmi\\brovik\\agent",
                                      "c:\\programmi\\brovik"}));
}

TEST_F(InstallJournalTest, RollbackRemovesWhatTheRunMadeAndKeepsWhatWasThere) {
  files.ForceDirectories("c:\\programmi\\brovik");
  Write("c:\\programmi\\brovik\\vecchio.ini", "prima");
  Write("c:\\programmi\\brovik\\velto.ini", "prima");
  NoteAndWrite("c:\\programmi\\brovik\\velto.ini");  // existed: stays, as the run left it
  NoteAndWrite("c:\\programmi\\brovik\\agent\\sub\\velto.exe");
  NoteAndWrite("c:\\programmi\\brovik\\agent\\search.ico");
  EXPECT_TRUE(journal.Rollback());
  EXPECT_FALSE(files.DirectoryExists("c:\\programmi\\brovik\\agent"));
  EXPECT_EQ(testsupport::ReadFile(files.NativePath("c:\\programmi\\brovik\\velto.ini")), "nuovo");
  EXPECT_TRUE(files.FileExists("c:\\programmi\\brovik\\vecchio.ini"));
  EXPECT_TRUE(journal.CreatedFiles().empty());
  EXPECT_TRUE(journal.CreatedFolders().empty());
}

TEST_F(InstallJournalTest, RollbackLeavesAFolderSomeoneElseFilledAndSaysSo) {
  NoteAndWrite("c:\\programmi\\velto\\velto.exe");
  Write("c:\\programmi\\velto\\altrui.txt", "non nostro");
  EXPECT_FALSE(journal.Rollback());
  EXPECT_FALSE(files.FileExists("c:\\programmi\\velto\\velto.exe"));
  EXPECT_TRUE(files.FileExists("c:\\programmi\\velto\\altrui.txt"));
}

TEST_F(InstallJournalTest, TrailingBackslashAndVolumeRootsAreNotFoldersToMake) {
  struct Case {
    const char* target;
    std::vector<std::string> folders;
  };
  const Case cases[] = {
      {"c:\\nuova\\\\velto.exe", {"c:\\nuova"}},
      {"c:\\\\velto.exe", {}},
      {"c:\\velto.exe", {}},
      {"\\\\server\\share\\velto\\velto.exe", {"\\\\server\\share\\velto"}},
  };
  for (const Case& c : cases) {
    journal.Clear();
    journal.NoteTarget(c.target);
    EXPECT_EQ(journal.CreatedFolders(), c.folders) << c.target;
  }
}

TEST_F(InstallJournalTest, RollbackNamesWhatItCannotPutBack) {
  using platform::RootKey;
  registry.SetString(RootKey::LocalMachine, "\\SOFTWARE\\Prova", "Exec", "prima");
  const std::vector<shellregistry::TKeyRows> rows = {
      {RootKey::LocalMachine, "\\SOFTWARE\\Prova", true, false, {{"Exec", "dopo"}}}};
  journal.NoteRows(rows);
  shellregistry::WriteRows(registry, rows);
  registry.ReadOnly.insert("software\\prova");  // the rollback may only read it
  EXPECT_FALSE(journal.Rollback());
  EXPECT_EQ(journal.NotPutBack(), std::vector<std::string>{"HKLM\\SOFTWARE\\Prova\\Exec"});
}

}  // namespace
