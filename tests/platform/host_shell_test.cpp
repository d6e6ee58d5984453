// The host shell: its special folders, the link files it writes and reads
// back, and the web addresses it records.
#include "platform/host/host_shell.h"

#include <gtest/gtest.h>

#include "platform/host/host_filesystem.h"
#include "platform/system.h"
#include "tests/support/temp_dir.h"

namespace {

class HostShellTest : public ::testing::Test {
 protected:
  HostShellTest() : files(temp.Path()), shell(files) {}
  testsupport::TempDir temp;
  platform::HostFileSystem files;
  platform::HostShell shell;
};

TEST_F(HostShellTest, KnownSpecialFoldersExistOnceAskedForAndOthersFail) {
  struct Case {
    int Id;
    const char* Path;
  };
  for (const Case& c : {Case{platform::sfDesktopDirectory, platform::HostShell::kDesktopFolder},
                        Case{platform::sfStartMenu, platform::HostShell::kStartMenuFolder},
                        Case{platform::sfPrograms, platform::HostShell::kProgramsFolder}}) {
    std::string path;
    EXPECT_TRUE(shell.SpecialFolderPath(c.Id, path));
    EXPECT_EQ(path, c.Path);
    EXPECT_TRUE(files.DirectoryExists(path));
  }
  std::string unchanged = "x";
  EXPECT_FALSE(shell.SpecialFolderPath(5, unchanged));
  EXPECT_EQ(unchanged, "x");
}

TEST_F(HostShellTest, SavedLinkReadsBackWithOneLineTexts) {
  files.ForceDirectories("c:\\l");
  auto link = shell.CreateShellLink();
  link->SetPath("c:\\a b\\velto.exe");
  link->SetDescription("due\nrighe");
  auto file = link->QueryFile();
  link.reset();  // the file side keeps the object
  ASSERT_TRUE(file->Save("c:\\l\\x.lnk"));
  platform::HostShell::Link back;
  ASSERT_TRUE(shell.ReadLink("c:\\l\\x.lnk", back));
  EXPECT_EQ(back.Target, "c:\\a b\\velto.exe");
  EXPECT_EQ(back.Description, "due righe");
  EXPECT_EQ(back.ShowCommand, -1);
  EXPECT_FALSE(file->Save("c:\\manca\\x.lnk"));  // no such folder
}

TEST_F(HostShellTest, FilesThatAreNotLinksAreNotRead) {
  files.ForceDirectories("c:\\l");
  for (const char* text : {"", "altro\n", "velto-link 1\nsenza tab\n"}) {
    testsupport::WriteFile(files.NativePath("c:\\l\\x.lnk"), text);
    platform::HostShell::Link back;
    back.Target = "prima";
    EXPECT_FALSE(shell.ReadLink("c:\\l\\x.lnk", back)) << text;
    EXPECT_EQ(back.Target, "prima");
  }
  platform::HostShell::Link none;
  EXPECT_FALSE(shell.ReadLink("c:\\l\\manca.lnk", none));
}

TEST_F(HostShellTest, OpenUrlIsRecordedInOrder) {
  EXPECT_TRUE(shell.OpenUrl(7, "http://www.example.com/a", platform::swShowNormal));
  EXPECT_TRUE(shell.OpenUrl(0, "http://www.example.com/b", 3));
  ASSERT_EQ(shell.Opened.size(), 2u);
  EXPECT_EQ(shell.Opened[0].Url, "http://www.example.com/a");
  EXPECT_EQ(shell.Opened[0].OwnerWindow, 7u);
  EXPECT_EQ(shell.Opened[0].ShowState, platform::swShowNormal);
  EXPECT_EQ(shell.Opened[1].Url, "http://www.example.com/b");
  EXPECT_EQ(shell.Opened[1].ShowState, 3);
}

}  // namespace
