// TMyShortCut's links, step order and file removal on the host emulation.
#include <algorithm>

#include "runtime/exceptions.h"
#include "tests/shell/shortcut_fixture.h"
#include "tests/support/fake_filesystem.h"

namespace shelltest {
namespace {

TEST(ShortCutDefaults, ConstructorSetsTheClassIdsAndNothingElse) {
  testsupport::TempDir temp;
  platform::HostFileSystem files(temp.Path());
  platform::HostShell shell(files);
  testsupport::FakeRegistry registry;
  TMyShortCut s(nullptr, shell, registry, files);
  EXPECT_EQ(s.CLSIDExplore, "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}");
  EXPECT_EQ(s.CLSIDExplore1, "{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}");
  for (const std::string* text : {&s.ExeName, &s.FilePathName, &s.IconPathName, &s.Descrizione, &s.MenuText,
                                  &s.LinkName, &s.GruppoProgrammiName, &s.DescrizioneExeInForder})
    EXPECT_EQ(*text, "");
  EXPECT_FALSE(s.CreateDeskTopLink || s.CreateFolder || s.CreateToTrova || s.CreateToExplorer || s.CreateToAvvio);
  EXPECT_EQ(s.listafile.Count(), 0);
  // The setter copies: the caller's list stays its own.
  TStringList mine;
  mine.Add("a.exe");
  s.Setlistafile(mine);
  mine.Add("b.exe");
  EXPECT_EQ(s.listafile.Items(), std::vector<std::string>{"a.exe"});
}

// ---- Step order ---------------------------------------------------------------------

// The steps a log shows, by the first call each makes.
std::vector<std::string> Steps(const std::vector<std::string>& Log) {
  std::vector<std::string> steps;
  auto add = [&](const std::string& step) {
    if (std::find(steps.begin(), steps.end(), step) == steps.end()) steps.push_back(step);
  };
  for (const std::string& line : Log) {
    if (line == "folder 11") add("avvio");
    if (line == "folder 16") add("desktop");
    if (line == "folder 2") add("gruppo");
    if (line.find("FindExtensions") != std::string::npos) add("trova");
    if (line.find("Internet Explorer") != std::string::npos) add("explorer");
  }
  return steps;
}

TEST_F(ShortCutTest, CreateAndRemoveRunTheSelectedStepsInTheFixedOrder) {
  struct Case {
    bool Avvio, Desktop, Folder, Trova, Explorer;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {false, false, false, false, false, {}},
      {true, true, true, true, true, {"avvio", "desktop", "gruppo", "trova", "explorer"}},
      {false, true, false, false, false, {"desktop"}},
      {true, false, true, false, false, {"avvio", "gruppo"}},
      {false, false, true, true, false, {"gruppo", "trova"}},
      {true, false, false, false, true, {"avvio", "explorer"}},
      {false, true, false, true, true, {"desktop", "trova", "explorer"}},
  };
  for (const Case& c : cases) {
    SetFlags(c.Avvio, c.Desktop, c.Folder, c.Trova, c.Explorer);
    shell.Log.clear();
    s->CreateLink();
    EXPECT_EQ(Steps(shell.Log), c.Expected) << "CreateLink, case " << (&c - cases);
    shell.Log.clear();
    s->RemoveLink();
    EXPECT_EQ(Steps(shell.Log), c.Expected) << "RemoveLink, case " << (&c - cases);
  }
}

TEST_F(ShortCutTest, AllFlagsFalseTouchesNothing) {
  SetFlags(false, false, false, false, false);
  s->CreateLink();
  s->RemoveLink();
  EXPECT_TRUE(shell.Log.empty());
  EXPECT_EQ(registry.OpenCount, 0);
  EXPECT_FALSE(files.DirectoryExists(platform::HostShell::kDesktopFolder));
}

// ---- Object life cycle of each link operation ------------------------------------------

TEST_F(ShortCutTest, LinkOperationsPairAndReleaseTheirObjectsAsTheFailureAllows) {
  const std::string T = kTarget;
  const std::string desk = DesktopLink();
  const std::string start = StartMenuLink();
  enum Op { CreateDesk, DeleteDesk, CreateStart, DeleteStart };
  struct Case {
    Op Operation;
    const char* Failure;
    std::vector<std::string> Log;
  };
  const std::vector<std::string> deskSet = {"path " + T, "description Velto", "show 5", "query"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<Case> cases = {
      {CreateDesk, "",
       with(with({"folder 16", "init", "create"}, deskSet),
            {"save " + desk, "release file", "release link", "uninit"})},
      {DeleteDesk, "",
       with(with({"folder 16", "init", "create"}, deskSet), {"release file", "release link", "uninit"})},
      {CreateDesk, "folder", {"folder 16"}},
      {CreateDesk, "init", {"folder 16", "init"}},  // a failed initialisation is not undone
      {DeleteDesk, "init", {"folder 16", "init"}},
      {CreateDesk, "create", {"folder 16", "init", "create", "uninit"}},
      {CreateDesk, "query", with(with({"folder 16", "init", "create"}, deskSet), {"release link", "uninit"})},
      {CreateStart,
       "",
       {"folder 11", "init", "create", "query", "path " + T, "description velto.exe", "save " + start, "release file",
        "release link", "uninit"}},
      {DeleteStart,
       "",
       {"folder 11", "init", "create", "query", "path " + T, "description velto.exe", "release file", "release link",
        "uninit"}},
      {CreateStart, "folder", {"folder 11"}},
      // The group operations go on after a failed initialisation and undo it.
      {CreateStart,
       "init",
       {"folder 11", "init", "create", "query", "path " + T, "description velto.exe", "save " + start, "release file",
        "release link", "uninit"}},
      {CreateStart, "create", {"folder 11", "init", "create", "uninit"}},
      {CreateStart, "query", {"folder 11", "init", "create", "query", "release link", "uninit"}},
      {CreateStart,
       "description",
       {"folder 11", "init", "create", "query", "path " + T, "description velto.exe", "release file", "release link",
        "uninit"}},
  };
  for (const Case& c : cases) {
    const std::string failure = c.Failure;
    shell.FailFolders = failure == "folder" ? std::set<int>{11, 16} : std::set<int>{};
    shell.FailInitialize = failure == "init";
    shell.FailCreate = failure == "create";
    shell.FailQueryFile = failure == "query";
    shell.FailSetDescription = failure == "description";
    shell.Log.clear();
    switch (c.Operation) {
      case CreateDesk:
        s->CreateShortCutDesktop("ignored");
        break;
      case DeleteDesk:
        s->DeleteShortCutDesktop("ignored");
        break;
      case CreateStart:
        s->CreateUserStartMenuShortcut(T, "velto.exe", "Velto2003", platform::sfStartMenu);
        break;
      case DeleteStart:
        s->DeleteUserStartMenuShortcut(T, "velto.exe", "Velto2003", platform::sfStartMenu);
        break;
    }
    EXPECT_EQ(shell.Log, c.Log) << "case " << (&c - cases.data());
  }
}

TEST_F(ShortCutTest, FailuresBeforeTheSaveLeaveNoLinkFile) {
  for (const char* failure : {"folder", "init", "create", "query", "description"}) {
    const std::string f = failure;
    shell.FailFolders = f == "folder" ? std::set<int>{2, 11, 16} : std::set<int>{};
    shell.FailInitialize = f == "init";
    shell.FailCreate = f == "create";
    shell.FailQueryFile = f == "query";
    shell.FailSetDescription = f == "description";
    s->CreateLink();
    // A failed initialisation stops only the desktop link; the desktop link
    // ignores what its setters answer.
    const bool groupsMade = f == "init";
    EXPECT_EQ(files.FileExists(DesktopLink()), f == "description") << failure;
    EXPECT_EQ(files.FileExists(StartMenuLink()), groupsMade) << failure;
    EXPECT_EQ(files.FileExists(ProgramsLink()), groupsMade) << failure;
    for (const std::string& link : {DesktopLink(), StartMenuLink(), ProgramsLink()}) files.EraseFile(link);
  }
}

// ---- Link contents and files -----------------------------------------------------------

TEST_F(ShortCutTest, CreateLinkWritesTheThreeLinksOfTheTable) {
  s->CreateLink();
  struct Row {
    std::string File, Description;
    int Show;
  };
  for (const Row& row :
       {Row{DesktopLink(), "Velto", 5}, Row{StartMenuLink(), "velto.exe", -1}, Row{ProgramsLink(), "velto.exe", -1}}) {
    platform::HostShell::Link link = LinkAt(row.File);
    EXPECT_EQ(link.Target, kTarget) << row.File;
    EXPECT_EQ(link.Description, row.Description) << row.File;
    EXPECT_EQ(link.ShowCommand, row.Show) << row.File;
  }
  EXPECT_EQ(hostShell.Initialized, 0);  // every initialisation undone
}

TEST_F(ShortCutTest, DesktopArgumentIsIgnoredAndAnEmptyLinkNameGivesDotLnk) {
  s->LinkName = "";
  s->CreateShortCutDesktop("c:\\altro\\programma.exe");
  EXPECT_EQ(LinkAt(std::string(platform::HostShell::kDesktopFolder) + "\\.lnk").Target, kTarget);
  s->DeleteShortCutDesktop("c:\\altro\\programma.exe");
  EXPECT_FALSE(files.FileExists(std::string(platform::HostShell::kDesktopFolder) + "\\.lnk"));
}

TEST_F(ShortCutTest, RemoveLinkDeletesLinksAndEmptyGroupsButKeepsOtherFiles) {
  s->CreateLink();
  const std::string otherFile = std::string(platform::HostShell::kProgramsFolder) + "\\Velto2003\\leggimi.txt";
  testsupport::WriteFile(files.NativePath(otherFile), "x");
  s->FilePathName = "c:\\altrove\\velto.exe";  // removal finds the links by name, not by target
  s->RemoveLink();
  EXPECT_FALSE(files.FileExists(DesktopLink()));
  EXPECT_FALSE(files.FileExists(StartMenuLink()));
  EXPECT_FALSE(files.FileExists(ProgramsLink()));
  EXPECT_FALSE(files.DirectoryExists(std::string(platform::HostShell::kStartMenuFolder) + "\\Velto2003"));
  EXPECT_TRUE(files.FileExists(otherFile));
}

TEST_F(ShortCutTest, LinkIntoAnExistingGroupFolderIsSaved) {
  files.ForceDirectories(std::string(platform::HostShell::kStartMenuFolder) + "\\Velto2003");
  EXPECT_EQ(s->CreateUserStartMenuShortcut(kTarget, "velto.exe", "Velto2003", platform::sfStartMenu), 0);
  EXPECT_EQ(LinkAt(StartMenuLink()).Target, kTarget);
  shell.FailSave = true;
  EXPECT_EQ(s->CreateUserStartMenuShortcut(kTarget, "velto.exe", "Velto2003", platform::sfStartMenu), -1);
}

TEST_F(ShortCutTest, GroupLinkPathThatDoesNotFitIsSkipped) {
  // "c:\utente\menu avvio" + "\" + group + "\" + "velto.exe.lnk"
  const size_t fixed = std::string(platform::HostShell::kStartMenuFolder).size() + 2 + 13;
  const std::string fits(259 - fixed, 'g'), tooLong(260 - fixed, 'g');
  EXPECT_EQ(s->CreateUserStartMenuShortcut(kTarget, "velto.exe", fits, platform::sfStartMenu), 0);
  EXPECT_EQ(LinkAt(std::string(platform::HostShell::kStartMenuFolder) + "\\" + fits + "\\velto.exe.lnk").Target,
            kTarget);
  shell.Log.clear();
  EXPECT_EQ(s->CreateUserStartMenuShortcut(kTarget, "velto.exe", tooLong, platform::sfStartMenu), -1);
  EXPECT_FALSE(files.DirectoryExists(std::string(platform::HostShell::kStartMenuFolder) + "\\" + tooLong));
  EXPECT_EQ(
      std::count_if(shell.Log.begin(), shell.Log.end(), [](const std::string& l) { return l.rfind("save", 0) == 0; }),
      0);
  EXPECT_EQ(s->DeleteUserStartMenuShortcut(kTarget, "velto.exe", tooLong, platform::sfStartMenu), -1);
}

TEST_F(ShortCutTest, CreateMakesTheGroupLinkInTheGivenFolder) {
  s->Create(platform::sfPrograms);
  EXPECT_EQ(LinkAt(ProgramsLink()).Description, "velto.exe");
  EXPECT_FALSE(files.FileExists(StartMenuLink()));
}

// ---- RemoveCartella -----------------------------------------------------------------------

// The file system with every path asked about recorded, and FileExists
// throwing for one path.
class CheckedFiles : public testsupport::FakeFileSystem {
 public:
  using FakeFileSystem::FakeFileSystem;
  bool FileExists(const std::string& Path) override {
    Asked.push_back(Path);
    if (Path == Throwing) throw EFOpenError("I/O error");
    return FakeFileSystem::FileExists(Path);
  }
  bool EraseFile(const std::string& Path) override {
    Asked.push_back(Path);
    return FakeFileSystem::EraseFile(Path);
  }
  bool RemoveDir(const std::string& Path) override {
    Asked.push_back(Path);
    return FakeFileSystem::RemoveDir(Path);
  }
  std::string Throwing;
  std::vector<std::string> Asked;
};

TEST_F(ShortCutTest, RemoveCartellaDeletesOnlyListedPlainFilesAndThenAnEmptyFolder) {
  struct Case {
    const char* Name;
    std::string Path;
    std::vector<std::string> List;
    std::vector<std::string> Present;    // files made under c:\app before the call
    std::vector<std::string> Remaining;  // of Present, what is still there after
    bool FolderGone;
  };
  const std::string exe = "c:\\app\\velto.exe";
  const std::vector<Case> cases = {
      {"all listed", exe, {"velto.exe", "velto.ini"}, {"velto.exe", "velto.ini"}, {}, true},
      {"unlisted file keeps the folder", exe, {"velto.exe"}, {"velto.exe", "mio.txt"}, {"mio.txt"}, false},
      {"empty list", exe, {}, {}, {}, true},
      {"missing and duplicate entries", exe, {"velto.exe", "velto.exe", "manca.dat"}, {"velto.exe"}, {}, true},
      {"path ending in a backslash", "c:\\app\\", {"velto.exe"}, {"velto.exe"}, {}, true},
      {"folder path without a backslash takes the parent", "c:\\app\\sub", {"velto.exe"}, {"velto.exe"}, {}, true},
      {"entry naming a subfolder", exe, {"sub"}, {"sub\\x.dat"}, {"sub\\x.dat"}, false},
      {"entries reaching outside",
       exe,
       {"..\\fuori.txt", "sub\\x.dat", "sub/x.dat", "c:fuori.txt", "..", "...", " "},
       {"sub\\x.dat"},
       {"sub\\x.dat"},
       false},
      {"no folder part", "velto.exe", {"velto.exe"}, {"velto.exe"}, {"velto.exe"}, false},
      {"empty path", "", {"velto.exe"}, {"velto.exe"}, {"velto.exe"}, false},
  };
  for (const Case& c : cases) {
    files.ForceDirectories("c:\\app");
    testsupport::WriteFile(files.NativePath("c:\\fuori.txt"), "outside");
    for (const std::string& f : c.Present) {
      files.ForceDirectories("c:\\app\\" +
                             f.substr(0, f.find_last_of('\\') == std::string::npos ? 0 : f.find_last_of('\\')));
      testsupport::WriteFile(files.NativePath("c:\\app\\" + f), "x");
    }
    int steps = 0;
    TStringList list;
    for (const std::string& e : c.List) list.Add(e);
    CheckedFiles checked(files);
    TMyShortCut component(nullptr, shell, registry, checked);
    component.Setlistafile(list);
    component.RemoveCartella(c.Path, [&steps] { ++steps; });
    // Only paths inside the folder are touched: a bare name would be taken
    // from the current folder.
    for (const std::string& asked : checked.Asked)
      EXPECT_EQ(asked.rfind("c:\\app\\", 0), 0u) << c.Name << ": " << asked;
    EXPECT_EQ(steps, static_cast<int>(c.List.size())) << c.Name;
    for (const std::string& f : c.Present) {
      bool kept = std::find(c.Remaining.begin(), c.Remaining.end(), f) != c.Remaining.end();
      EXPECT_EQ(files.FileExists("c:\\app\\" + f), kept) << c.Name << ": " << f;
    }
    EXPECT_EQ(files.DirectoryExists("c:\\app"), !c.FolderGone) << c.Name;
    EXPECT_TRUE(files.FileExists("c:\\fuori.txt")) << c.Name;
    files.EraseFile("c:\\app\\sub\\x.dat");
    files.RemoveDir("c:\\app\\sub");
    for (const std::string& f : c.Present) files.EraseFile("c:\\app\\" + f);
    files.RemoveDir("c:\\app");
  }
}

TEST_F(ShortCutTest, RemoveCartellaFailureRaisesItsOwnMessageAndKeepsTheFolder) {
  CheckedFiles throwing(files);
  throwing.Throwing = "c:\\app\\b.dat";
  TMyShortCut c(nullptr, shell, registry, throwing);
  for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
    files.ForceDirectories("c:\\app");
    testsupport::WriteFile(files.NativePath(std::string("c:\\app\\") + name), "x");
    c.listafile.Add(name);
  }
  int steps = 0;
  try {
    c.RemoveCartella("c:\\app\\a.dat", [&steps] { ++steps; });
    ADD_FAILURE() << "no error raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Errore cancellazione ditta");
  }
  EXPECT_FALSE(files.FileExists("c:\\app\\a.dat"));
  EXPECT_TRUE(files.FileExists("c:\\app\\c.dat"));
  EXPECT_TRUE(files.DirectoryExists("c:\\app"));
  EXPECT_EQ(steps, 2);
}

}  // namespace
}  // namespace shelltest
